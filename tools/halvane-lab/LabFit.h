#pragma once

// halvane-lab's correction subcommands: `fit` (one channel's stages from a
// measured and a target curve) and `convert` (stages to another rate).
// Both return the process exit code.
int LabFit(int argc, char** argv);
int LabConvert(int argc, char** argv);
