// The test backend of the connection watch: a connection the test switches by hand.
#pragma once

#include "connectionwatch/connectionwatch.h"

#include <cerrno>

namespace vindelor::watch::test {

class FakeConnectionWatch : public ConnectionWatch {
  public:
    explicit FakeConnectionWatch(const QString& name, Kind kind = Kind::NetworkInterface)
        : name_(name), kind_(kind) {}

    Kind WatchKind() const override { return kind_; }
    QString Name() const override { return name_; }
    LinkCheck Check() override {
        ++checks;
        LinkCheck check = now;
        check.subject = name_;
        return check;
    }

    // Switches the connection; `tell` says whether the system would announce it.
    void Set(LinkState state, bool tell = true) {
        now = LinkCheck{};
        now.state = state;
        if (state == LinkState::Unusable) {
            now.error = ENODEV;
            now.detail = QStringLiteral("No such device");
        }
        if (tell) {
            emit Changed();
        }
    }

    Registration ModemRegistration() const override { return registration; }
    // An interface is its own link; a service's connection names it in `counted`.
    QString CountedInterface() const override {
        return kind_ == Kind::NetworkInterface ? name_ : counted;
    }

    LinkCheck now;
    QString counted;
    Registration registration;  // where the test says the modem is
    int checks = 0;

  private:
    QString name_;
    Kind kind_;
};

}  // namespace vindelor::watch::test
