// What the install put in notepad.exe's place, known by its content: a
// Windows update that puts its own file back changes the hash, whatever
// version resource a system folder reports for it (Wine reports its own
// Notepad's for any notepad.exe there).
#pragma once

#include <string>
#include <vector>

#include "setup/record.h"
#include "setup/setup_machine.h"

namespace velquin {

// SHA-256 of bytes, as 64 lower-case hex digits.
std::u16string Sha256Text(const std::vector<unsigned char>& bytes);
// Of a file's content; empty when it cannot be read.
std::u16string FileHash(const SetupMachine& machine, const std::u16string& path);

// Whether the file at path is still what the install put there for role:
// by the hash the record keeps (Hash_<role>); for a record of a release
// that kept none, by the version resource or as a copy of the program it
// recorded.
bool StillReplaced(const SetupMachine& machine, const Record& record, const std::u16string& role,
                   const std::u16string& path);

}  // namespace velquin
