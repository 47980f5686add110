#pragma once
// The real services of the worker jobs: the platform client, the login settings and the SMS
// record log.
#include "core/WorkerEngine.h"

namespace worker {
Services DefaultServices();
}
