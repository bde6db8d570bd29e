// The per-user directory that holds the shared files of all three programs:
// "Vindelor.ini", "Vindelor.log", "Vindelor.ny" and "Vindelor.dta".
#pragma once

#include <QString>
#include <QStringList>

namespace vindelor::platform {

// $VINDELOR_DIR when set, else $XDG_CONFIG_HOME/vindelor, else ~/.config/vindelor: the
// default plan's files, and the folder "plans/" that holds the other plans.
QString BaseDataDirectory();

// The directory of the plan this process works on: the base directory for the default
// plan, else BaseDataDirectory()/plans/NAME.
QString DataDirectory();

// A plan's name is one path component a user can type: letters, digits, '-', '_', '.',
// and blanks, 1 to 64 characters, not starting with a dot or a blank, and never "." or "..".
bool IsValidPlanName(const QString& name);

// Chooses the plan every later DataDirectory() of this process names; empty is the
// default plan. Returns false, choosing nothing, for a name that is not valid.
bool SelectPlan(const QString& name);
// The chosen plan's name, empty for the default plan.
QString SelectedPlan();

// Where a plan's files live (the base directory for the empty name); empty for a name
// that is not valid.
QString PlanDirectory(const QString& name);
// The plans that exist besides the default one: the valid names of the folders in
// BaseDataDirectory()/plans, sorted.
QStringList PlanNames();

// Creates the directory (mode 0700) when it is missing. Returns false when it cannot.
bool EnsureDataDirectory();

// A bare file name resolved inside the data directory; a name with a "/" is kept as is.
QString DataFilePath(const QString& name);

}  // namespace vindelor::platform
