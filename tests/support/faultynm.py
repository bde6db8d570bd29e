#!/usr/bin/python3
# A stand-in for NetworkManager on a private bus whose answers the test spoils on demand:
# one active connection "Mobile" without devices, and the questions a watch asks of it.
#
#   faultynm.py ADDRESS LATE_MS
#
# Commands on standard input, one a line; each is answered with "ok COMMAND" once done:
#   state N        the connection's state (1 activating, 2 activated, 4 deactivated);
#                  0 takes it out of the list of active connections
#   fault KIND     how the connection's own properties are answered from now on: none,
#                  late (after LATE_MS), error (org.freedesktop.DBus.Error.Failed), type
#                  (a string instead of a{sv})
#   poke           a change of the connection that is no change of state: a look
#   vanish/return  gives the service's name up / takes it again (a restart)
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = 'org.freedesktop.NetworkManager'
MANAGER = '/org/freedesktop/NetworkManager'
ACTIVE_PATH = '/org/freedesktop/NetworkManager/ActiveConnection/1'
ACTIVE = 'org.freedesktop.NetworkManager.Connection.Active'
PROPS = 'org.freedesktop.DBus.Properties'

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.bus.BusConnection(sys.argv[1])
late_ms = int(sys.argv[2])
state = {'value': 1, 'fault': 'none'}


def active_paths():
    paths = [ACTIVE_PATH] if state['value'] != 0 else []
    return dbus.Array(paths, signature='o')


class Manager(dbus.service.Object):
    @dbus.service.method(PROPS, in_signature='ss', out_signature='v')
    def Get(self, interface, name):
        return active_paths()

    @dbus.service.signal(PROPS, signature='sa{sv}as')
    def PropertiesChanged(self, interface, changed, invalidated):
        pass


class Active(dbus.service.Object):
    def properties(self):
        return dbus.Dictionary({'Id': 'Mobile', 'Uuid': '5f1c2b1e-0000-4000-8000-00000000beef',
                                'State': dbus.UInt32(state['value']),
                                'Devices': dbus.Array([], signature='o')}, signature='sv')

    @dbus.service.method(PROPS, in_signature='s', async_callbacks=('ok', 'err'))
    def GetAll(self, interface, ok, err):
        fault = state['fault']
        if fault == 'late':
            answer = self.properties()
            GLib.timeout_add(late_ms, lambda: ok(answer) and False)
        elif fault == 'error':
            err(dbus.exceptions.DBusException('spoilt', name='org.freedesktop.DBus.Error.Failed'))
        elif fault == 'type':
            ok(dbus.String('spoilt'))
        else:
            ok(self.properties())

    @dbus.service.signal(ACTIVE, signature='uu')
    def StateChanged(self, new_state, reason):
        pass

    @dbus.service.signal(PROPS, signature='sa{sv}as')
    def PropertiesChanged(self, interface, changed, invalidated):
        pass


manager = Manager(bus, MANAGER)
active = Active(bus, ACTIVE_PATH)


def command(source, condition):
    line = sys.stdin.readline()
    if not line:
        loop.quit()
        return False
    words = line.split()
    if words[0] == 'state':
        state['value'] = int(words[1])
        active.StateChanged(dbus.UInt32(state['value']), dbus.UInt32(0))
        manager.PropertiesChanged('org.freedesktop.NetworkManager',
                                  {'ActiveConnections': active_paths()}, [])
    elif words[0] == 'fault':
        state['fault'] = words[1]
    elif words[0] == 'poke':
        active.PropertiesChanged(ACTIVE, {'SpecificObject': dbus.ObjectPath('/')}, [])
    elif words[0] == 'vanish':
        bus.release_name(NAME)
    elif words[0] == 'return':
        bus.request_name(NAME)
    print('ok ' + line.strip(), flush=True)
    return True


bus.request_name(NAME)
GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
print('ready', flush=True)
loop = GLib.MainLoop()
loop.run()
