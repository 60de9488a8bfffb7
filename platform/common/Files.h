// Reading files from outside the process safely: only regular files, within
// a size, opened without waiting; and shared objects checked whole before they
// are mapped.
#pragma once

#include <cstddef>
#include <string>

namespace pvcommon {

// The whole of a regular file of at most `limit` bytes; false for anything
// else (a folder, device, pipe or socket, a larger file, a read error). Opening
// never waits, so a pipe without a writer is refused at once.
bool ReadFile(const std::string& path, std::size_t limit, std::string& bytes);

// Whether `path` is a whole ELF shared object of this machine's class and
// byte order whose headers, segments and sections lie inside the file, so
// that mapping it touches no page past its end; `why` says what is wrong.
bool IsWholeSharedObject(const std::string& path, std::string& why);

}  // namespace pvcommon
