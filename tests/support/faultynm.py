#!/usr/bin/python3
# A stand-in for NetworkManager on a private bus whose answers the test spoils on demand:
# one active connection "Mobile" without devices, and the questions a watch asks of it.
#
#   faultynm.py ADDRESS LATE_MS
#
# Commands on standard input as tests/support/faultyservice.py reads them; "fault" spoils
# the answers about the connection's own properties. Its own:
#   state N        the connection's state (1 activating, 2 activated, 4 deactivated);
#                  0 takes it out of the list of active connections
#   poke           a change of the connection that is no change of state: a look
import dbus
import dbus.service

from faultyservice import answer, bus, serve

NAME = 'org.freedesktop.NetworkManager'
MANAGER = '/org/freedesktop/NetworkManager'
ACTIVE_PATH = '/org/freedesktop/NetworkManager/ActiveConnection/1'
ACTIVE = 'org.freedesktop.NetworkManager.Connection.Active'
PROPS = 'org.freedesktop.DBus.Properties'

state = {'value': 1}


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
        answer(ok, err, self.properties)

    @dbus.service.signal(ACTIVE, signature='uu')
    def StateChanged(self, new_state, reason):
        pass

    @dbus.service.signal(PROPS, signature='sa{sv}as')
    def PropertiesChanged(self, interface, changed, invalidated):
        pass


manager = Manager(bus, MANAGER)
active = Active(bus, ACTIVE_PATH)


def command(words):
    if words[0] == 'state':
        state['value'] = int(words[1])
        active.StateChanged(dbus.UInt32(state['value']), dbus.UInt32(0))
        manager.PropertiesChanged('org.freedesktop.NetworkManager',
                                  {'ActiveConnections': active_paths()}, [])
    elif words[0] == 'poke':
        active.PropertiesChanged(ACTIVE, {'SpecificObject': dbus.ObjectPath('/')}, [])


serve(NAME, command)
