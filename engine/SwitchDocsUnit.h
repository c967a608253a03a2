#pragma once

#include "engine/CommandLineUnit.h"

#include <QString>

namespace tarrow {

// What describes the programs' switches besides the parsing itself, all read from the one
// switch table: tarrow-cli's --help text, the manual pages and the shell completions.

// tarrow-cli --help.
QString CliHelpText();
// tarrow --help.
QString WindowHelpText();

// The manual page (roff) of tarrow-cli (spCli) or tarrow (spWindow).
QString ManualPage(TSwitchProgram AProgram);

// Completion for bash and zsh of AProgram's switches: folders after a DIR switch, files after a
// FILE switch, the project names of the settings file after -start.
QString BashCompletion(TSwitchProgram AProgram);
QString ZshCompletion(TSwitchProgram AProgram);

} // namespace tarrow
