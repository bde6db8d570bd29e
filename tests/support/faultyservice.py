# What the tests' stand-ins for NetworkManager and ModemManager share: the private bus,
# answers spoilt on demand, and the commands read from standard input, each answered
# with "ok COMMAND" once done:
#   fault KIND     how the spoilt question is answered from now on: none, late (after
#                  LATE_MS), error (org.freedesktop.DBus.Error.Failed), type (a string)
#   vanish/return  gives the service's name up / takes it again (a restart)
# and the stand-in's own (state, poke), handed to its function.
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.bus.BusConnection(sys.argv[1])
late_ms = int(sys.argv[2])
fault = {'kind': 'none'}


def answer(ok, err, make):
    """Answers a question with make() as the fault in force spoils it."""
    kind = fault['kind']
    if kind == 'late':
        value = make()
        GLib.timeout_add(late_ms, lambda: ok(value) and False)
    elif kind == 'error':
        err(dbus.exceptions.DBusException('spoilt', name='org.freedesktop.DBus.Error.Failed'))
    elif kind == 'type':
        ok(dbus.String('spoilt'))
    else:
        ok(make())


def serve(name, own_command):
    """Takes the name and reads commands until standard input ends."""
    loop = GLib.MainLoop()

    def command(source, condition):
        line = sys.stdin.readline()
        if not line:
            loop.quit()
            return False
        words = line.split()
        if words[0] == 'fault':
            fault['kind'] = words[1]
        elif words[0] == 'vanish':
            bus.release_name(name)
        elif words[0] == 'return':
            bus.request_name(name)
        else:
            own_command(words)
        print('ok ' + line.strip(), flush=True)
        return True

    bus.request_name(name)
    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
    print('ready', flush=True)
    loop.run()
