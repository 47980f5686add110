#include "platform/NetStartup.h"

#include <curl/curl.h>

namespace net {

bool Startup() { return curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK; }

void Cleanup() { curl_global_cleanup(); }

}  // namespace net
