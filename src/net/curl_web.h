// What every request of the program asks of libcurl, whatever it fetches or sends.
#pragma once

#include <curl/curl.h>

namespace qp::net {

// Initialises the library once for the whole program.
void curl_start();
// http or https only, the server's certificate and name verified, no signals, the program's
// name; error receives the library's own text (CURL_ERROR_SIZE bytes).
void curl_web_defaults(CURL* easy, char* error);

} // namespace qp::net
