// brusko's command line for scripts: the listing, a deletion and the recount without
// the window, on the same code the window uses.
#pragma once

#include <QStringList>

class QTextStream;

namespace vindelor::brusko {

// Runs the options in `args` (the program name excluded). Returns the exit code, or -1
// when there are no options and the window is wanted. "--plan NAME" among them chooses
// the plan first, for the options and for the window alike.
int RunCommandLine(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace vindelor::brusko
