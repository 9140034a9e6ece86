#pragma once

// "--child-write-profile <section> <entry> <value>": constructs an application
// object named after this executable, sets the registry key "Velmora" and
// writes one profile string. Returns true (with the exit code) when argv
// asked for such an errand.
bool RunChildErrand(int argc, char** argv, int* pExitCode);
