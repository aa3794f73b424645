#pragma once
// --help and --version: answered on standard output before anything starts (no display needed).

// true when the command line asked for either and it has been answered: the program then exits 0.
bool answerInfoOption(int argc, char** argv);
