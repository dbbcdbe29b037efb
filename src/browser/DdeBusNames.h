#pragma once
// Where DDE services live on the D-Bus session bus. Every DDE server (a browser, or the program's
// own small server) owns one bus name per service name and answers at one object path; the
// protocol is written down in docs/browser-protocol.md.

#include <string>

namespace dde {

inline constexpr const char* kBusNamePrefix = "org.orvel.quorvane.dde.";
inline constexpr const char* kObjectPath = "/org/orvel/quorvane/dde";
inline constexpr const char* kInterface = "org.orvel.quorvane.dde.Server";
/// D-Bus error names of the DDE errors: this prefix and the error's short name ("BUSY").
inline constexpr const char* kErrorPrefix = "org.orvel.quorvane.dde.Error.";

/// The bus name of a DDE service name: the prefix, then the name with ASCII letters folded to lower
/// case, letters and digits kept and every other byte written as "_" and two lower-case hex
/// digits ("Netscape" and "NETSCAPE" give "org.orvel.quorvane.dde.netscape"). Empty for an empty
/// name or one too long for a bus name.
std::string busNameForService(const std::string& serviceName);

/// Whether two DDE service or topic names are the same name, ignoring the case of ASCII letters.
bool sameDdeName(const std::string& a, const std::string& b);

}  // namespace dde
