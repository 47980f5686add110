#include "core/WorkerBindings.h"

// STUB: the platform client and the record log are not in this branch yet; until they are,
// the jobs have no services (a send counts as failed, a poll finds nothing).
namespace worker {
Services DefaultServices() { return {}; }
}  // namespace worker
