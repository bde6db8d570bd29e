// Plans: several links metered apart, each with the files of a data directory of its own
// (platform/datadir.h says where). This is what the three programs' --plan and the
// settings dialog's page do with them: open one, make one from the default plan, rename
// one, and put one aside without destroying its log.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace vindelor {

// "--plan NAME" or "--plan=NAME" taken out of a command line.
struct PlanOption {
    bool given = false;
    bool valueMissing = false;  // "--plan" last, or with an empty value
    QString name;
};
// Removes every --plan from `args` (the last one counts) and says what it named.
PlanOption TakePlanOption(QStringList* args);

enum class PlanOpening {
    Opened,   // an existing plan, or the default one, is the data directory now
    Created,  // a new plan was made from the default one and is the data directory now
    BadName,  // nothing chosen: the name cannot be a plan's
    Missing,  // nothing chosen: no such plan, and none was to be made
    NotMade,  // nothing chosen: the new plan could not be written (`error` says why)
};
enum class MakeMissingPlan { No, Yes };

// Chooses the plan every later file of this process belongs to. An empty name is the
// default plan. `error`, when given, receives errno of a failed creation.
PlanOpening OpenPlan(const QString& name, MakeMissingPlan make, int* error = nullptr);

// Makes a plan from the default one: its settings without totals, warnings given, the
// language and the link it watches, its modem's port too (two plans must not claim one
// link), its rate file, and no log. The folder appears whole or not at all. 0, EEXIST when the plan
// exists, EINVAL for a bad name, else the errno of the failed step.
int CreatePlan(const QString& name);

// Renames a plan's folder. 0, EEXIST when the new name is taken, ENOENT when the plan
// is gone, EINVAL for a bad name, else errno.
int RenamePlan(const QString& from, const QString& to);

// Moves a plan's folder to plans/.deleted-YYYY-MM-DD-NAME (a number added when that is
// taken), where no program lists it and nothing is lost. The folder it went to, empty
// when it could not be moved (`error` then holds errno).
QString PutPlanAside(const QString& name, const QDate& today, int* error = nullptr);

// The plans a run waits for: the default one (an empty name) first, then PlanNames().
QStringList AllPlans();

// The link a plan's settings name, in the order a run chooses it: [Connection]
// "NetworkManager", "SIM", "Modem", "Interface", else the serial port of [Modem] "Port".
struct PlanLink {
    enum class Kind { Sim, NetworkManager, Modem, Interface, SerialPort };
    Kind kind = Kind::SerialPort;
    QString name;  // as stored: an ICCID, a connection's name or UUID, an IMEI, …
    bool operator==(const PlanLink& o) const { return kind == o.kind && name == o.name; }
};
PlanLink LinkOfPlan(const QString& plan);
// The first plan other than `except` (the default plan is "") whose link is `link`, or
// the same link by another of its names (`otherNames`: a NetworkManager connection's id
// beside its UUID); null when none is, and for a serial port not chosen yet (the run
// asks for one).
std::optional<QString> PlanClaiming(const PlanLink& link, const QString& except,
                                    const QStringList& otherNames = {});

// The file in a plan's folder that a waiting or timing Vindelor holds locked.
inline constexpr char kInstanceFile[] = ".vindelor.instance";

// The file in the default plan's folder that `vindelor --all-plans` holds locked while it
// starts the plans' runs again and again.
inline constexpr char kAllPlansFile[] = ".vindelor.all-plans";

// True while a Vindelor waits for the plan's link or times it, or `vindelor --all-plans`
// looks after the runs of every plan, or its log has a session open ([Aktiv] "Aktiv" is
// "Ja"): its folder must not move under the running program.
bool PlanInUse(const QString& name);

}  // namespace vindelor
