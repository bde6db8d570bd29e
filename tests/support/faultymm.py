#!/usr/bin/python3
# A stand-in for ModemManager on a private bus whose answers the test spoils on demand:
# one modem, IMEI 350000000000001, on port ttyUSB9, without bearers or SIM.
#
#   faultymm.py ADDRESS LATE_MS
#
# Commands on standard input, as tests/support/faultynm.py takes them:
#   state N        the modem's state (8 registered, 11 connected)
#   fault KIND     how the list of modems is answered from now on: none, late (after
#                  LATE_MS), error (org.freedesktop.DBus.Error.Failed), type (a string)
#   poke           a change of the modem that leaves its state as it was: a look
#   vanish/return  gives the service's name up / takes it again (a restart)
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = 'org.freedesktop.ModemManager1'
ROOT = '/org/freedesktop/ModemManager1'
MODEM_PATH = '/org/freedesktop/ModemManager1/Modem/0'
MODEM = 'org.freedesktop.ModemManager1.Modem'
PROPS = 'org.freedesktop.DBus.Properties'

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.bus.BusConnection(sys.argv[1])
late_ms = int(sys.argv[2])
state = {'value': 8, 'fault': 'none'}


def modems():
    modem = dbus.Dictionary({
        'EquipmentIdentifier': '350000000000001', 'Manufacturer': 'Quectel', 'Model': 'EC25',
        'State': dbus.Int32(state['value']),
        'Ports': dbus.Array([dbus.Struct(('ttyUSB9', dbus.UInt32(3)), signature='su')],
                            signature='(su)'),
        'Bearers': dbus.Array([], signature='o'), 'Sim': dbus.ObjectPath('/')}, signature='sv')
    return dbus.Dictionary({MODEM_PATH: dbus.Dictionary({MODEM: modem}, signature='sa{sv}')},
                           signature='oa{sa{sv}}')


class Root(dbus.service.Object):
    @dbus.service.method('org.freedesktop.DBus.ObjectManager', in_signature='',
                         async_callbacks=('ok', 'err'))
    def GetManagedObjects(self, ok, err):
        fault = state['fault']
        if fault == 'late':
            answer = modems()
            GLib.timeout_add(late_ms, lambda: ok(answer) and False)
        elif fault == 'error':
            err(dbus.exceptions.DBusException('spoilt', name='org.freedesktop.DBus.Error.Failed'))
        elif fault == 'type':
            ok(dbus.String('spoilt'))
        else:
            ok(modems())


class Modem(dbus.service.Object):
    @dbus.service.signal(PROPS, signature='sa{sv}as')
    def PropertiesChanged(self, interface, changed, invalidated):
        pass


root = Root(bus, ROOT)
modem = Modem(bus, MODEM_PATH)


def command(source, condition):
    line = sys.stdin.readline()
    if not line:
        loop.quit()
        return False
    words = line.split()
    if words[0] == 'state':
        state['value'] = int(words[1])
    if words[0] in ('state', 'poke'):
        modem.PropertiesChanged(MODEM, {'State': dbus.Int32(state['value'])}, [])
    elif words[0] == 'fault':
        state['fault'] = words[1]
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
