#!/usr/bin/python3
# A stand-in for ModemManager on a private bus whose answers the test spoils on demand:
# one modem, IMEI 350000000000001, on port ttyUSB9, without bearers or SIM.
#
#   faultymm.py ADDRESS LATE_MS
#
# Commands on standard input as tests/support/faultyservice.py reads them; "fault" spoils
# the answers to the list of modems. Its own:
#   state N        the modem's state (8 registered, 11 connected)
#   poke           a change of the modem that leaves its state as it was: a look
import dbus
import dbus.service

from faultyservice import answer, bus, serve

NAME = 'org.freedesktop.ModemManager1'
ROOT = '/org/freedesktop/ModemManager1'
MODEM_PATH = '/org/freedesktop/ModemManager1/Modem/0'
MODEM = 'org.freedesktop.ModemManager1.Modem'
PROPS = 'org.freedesktop.DBus.Properties'

state = {'value': 8}


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
        answer(ok, err, modems)


class Modem(dbus.service.Object):
    @dbus.service.signal(PROPS, signature='sa{sv}as')
    def PropertiesChanged(self, interface, changed, invalidated):
        pass


root = Root(bus, ROOT)
modem = Modem(bus, MODEM_PATH)


def command(words):
    if words[0] == 'state':
        state['value'] = int(words[1])
    modem.PropertiesChanged(MODEM, {'State': dbus.Int32(state['value'])}, [])


serve(NAME, command)
