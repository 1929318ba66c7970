// What every request of the program to a web server asks of libcurl, in one place.
#pragma once

#include <curl/curl.h>

#include <string>
#include <string_view>

namespace qp::net {

// Readies the library; any thread may call it, the first call does the work.
void web_init();

// http or https only, the server's certificate and name verified, no signals, the program's name
// as the agent; no redirect is followed (a signed request or an upload goes where it is sent).
// error (CURL_ERROR_SIZE bytes) receives the library's text of a failure.
void set_web_defaults(CURL* e, char* error);

// A GET or HEAD of url with set_web_defaults: http or https only, also after a redirect, at most
// kFetchMaxRedirects of them, the server's certificate and name verified, no signals. error
// (CURL_ERROR_SIZE bytes) receives the library's text of a failure.
void set_web_request(CURL* e, const std::string& url, char* error);

// Every byte but the unreserved ones (letters, digits, "-", ".", "_", "~") as %XX in upper case,
// the slashes kept when keep_slash: the form a signed S3 request and a WebDAV path both need.
std::string percent_encode(std::string_view text, bool keep_slash = false);

} // namespace qp::net
