// The verbs of the end-to-end tests' two programs inside a device, callable
// from their own programs and from the resident agent that takes a script's
// steps without starting a program for each.
#pragma once

#include <string>

namespace e2e_client {
// The test client's verb line (see e2e_client.cpp); its exit code.
int run(std::wstring line);
}

namespace e2e_commands {
// The command tool's "|"-separated fields (see e2e_commands.cpp); its exit
// code. Acts on the command file of the morvane.exe beside this program.
int run(const std::wstring& line);
}
