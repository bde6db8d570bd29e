// A notification area for tests: records every add, modify and delete, answers as a
// real one would (an icon is known by window and id), and never opens a menu.
#pragma once

#include "components/trayicon.h"

#include <QMenu>

#include <set>
#include <utility>
#include <vector>

namespace vindelor::test {

class FakeTrayShell : public TrayShell {
  public:
    enum class Call { Add, Modify, Delete };
    struct Record {
        Call call;
        TrayNotifyData data;
    };

    bool Add(const TrayNotifyData& d) override {
        calls.push_back({Call::Add, d});
        if (refuseAdd || !shown.insert(Key(d)).second) {
            return false;
        }
        return true;
    }
    bool Modify(const TrayNotifyData& d) override {
        calls.push_back({Call::Modify, d});
        return shown.count(Key(d)) != 0;
    }
    bool Delete(const TrayNotifyData& d) override {
        calls.push_back({Call::Delete, d});
        return shown.erase(Key(d)) != 0;
    }
    QPoint CursorPos() override { return cursor; }
    void ShowPopupMenu(QMenu* menu, const QPoint& pos) override { menus.push_back({menu, pos}); }

    int Count(Call c) const {
        int n = 0;
        for (const Record& r : calls) {
            n += r.call == c;
        }
        return n;
    }
    int adds() const { return Count(Call::Add); }
    int modifies() const { return Count(Call::Modify); }
    int deletes() const { return Count(Call::Delete); }
    // The picture most recently handed to the shell by an add or modify.
    QIcon LastIcon() const {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
            if (it->call != Call::Delete) {
                return it->data.icon;
            }
        }
        return {};
    }

    std::vector<Record> calls;
    std::set<std::pair<QObject*, unsigned>> shown;
    std::vector<std::pair<QMenu*, QPoint>> menus;
    QPoint cursor{640, 1000};
    bool refuseAdd = false;

  private:
    static std::pair<QObject*, unsigned> Key(const TrayNotifyData& d) { return {d.window, d.id}; }
};

// Installs a FakeTrayShell for the lifetime of the object.
class ScopedFakeTrayShell : public FakeTrayShell {
  public:
    ScopedFakeTrayShell() : previous_(InstallTrayShell(this)) {}
    ~ScopedFakeTrayShell() override { InstallTrayShell(previous_); }

  private:
    TrayShell* previous_;
};

}  // namespace vindelor::test
