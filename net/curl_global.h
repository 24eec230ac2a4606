// libcurl's one-time global set-up.
//
// curl_global_init is not thread-safe and must run before any thread uses libcurl; the program
// calls InitCurlOnce from main before it starts a thread, and everything in net/ that opens a curl
// handle calls it again first (a cheap no-op once done), so tests and tools that never pass
// through main are covered too. The matching clean-up is left to the process's end: threads that
// are never joined may still hold handles.
#pragma once

namespace qav::net {

// True when libcurl is ready for use.
bool InitCurlOnce();

}  // namespace qav::net
