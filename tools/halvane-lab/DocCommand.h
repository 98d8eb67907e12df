#pragma once

#include <string>

// halvane-lab doc FILE.QEX: the stored contents of a project file as JSON on
// standard output; a file the program would refuse prints its failure text
// on standard error and gives 1.
int DocCommand(const std::string& path);
