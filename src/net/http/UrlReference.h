// The resolution of a redirection's Location against the address it came from: text only, no
// platform call, so that it builds anywhere.
#pragma once

#include <string>

// The address a reference leads to from base, resolved as a browser does (RFC 3986, section 5):
// absolute, network-path ("//host/path"), absolute-path, relative-path and query-only ("?x")
// references, dot segments removed. base is an absolute address; white space around the
// reference is ignored.
std::string ResolveReference(const std::string& base, const std::string& reference);
