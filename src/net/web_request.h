// What every transfer of the program over HTTP(S) asks of libcurl, whatever it does: the GETs of
// feeds and episodes, the checks of published addresses and the WebDAV session.
#pragma once

#include <curl/curl.h>

#include <string>

namespace qp::net {

// Readies libcurl once per process; every user calls it before its first handle.
void web_transfers_init();

// http or https only (also after a redirect, for those that follow one), the server's
// certificate and name verified, no signals, the program's name as the agent.
void set_web_request(CURL* easy, const std::string& url, char* error);

} // namespace qp::net
