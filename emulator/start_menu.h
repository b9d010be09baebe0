// The device's Start menu: the entries a handheld's installer puts there, so
// that a tap starts the program.
#ifndef MORVANE_EMULATOR_START_MENU_H
#define MORVANE_EMULATOR_START_MENU_H

namespace start_menu {

// Puts (or replaces) the entry `name` under the Start menu's programs, which
// starts `program` with its current folder on `folder`. False when the entry
// could not be written.
bool addProgram(const wchar_t* name, const wchar_t* program, const wchar_t* folder);

} // namespace start_menu

#endif
