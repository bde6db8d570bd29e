// ristola's command line: the tune-up without the window for scripts, and its help.
// Like the window, it speaks all three languages at once.
#pragma once

#include <QStringList>

class QTextStream;

namespace vindelor::ristola {

// The help text in English, Swedish and Finnish.
QString UsageText();

// Runs the options in `args` (the program name excluded). Returns the exit code, or -1
// when there are no options and the window is wanted.
int RunCommandLine(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace vindelor::ristola
