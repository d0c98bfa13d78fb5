"""Drives the mock logind of run-e2e (python3-dbusmock's logind template on a private bus).

  e2e_mock.py setup                  the methods our program calls, and session c1 of uid 1000
  e2e_mock.py fail METHOD ERROR TEXT METHOD raises the D-Bus error ERROR with message TEXT
  e2e_mock.py calls METHOD [PATH]    prints one line per recorded call: its arguments
  e2e_mock.py clear                  forgets the recorded calls of every object

Refuses to talk to any bus but a private one in /tmp: the real logind must never be asked.
"""
import os
import sys

import dbus

MANAGER = 'org.freedesktop.login1.Manager'
MAIN = '/org/freedesktop/login1'
SESSION = '/org/freedesktop/login1/session/c1'
MOCK = 'org.freedesktop.DBus.Mock'

# Logind 248 and later: the *WithFlags methods. The plain ones come with the template.
NORMAL = {
    'PowerOffWithFlags': ('t', ''),
    'RebootWithFlags': ('t', ''),
    'GetSessionByPID': ('u', f'ret = dbus.ObjectPath("{SESSION}")'),
}
SIGNATURES = {'PowerOffWithFlags': 't', 'RebootWithFlags': 't', 'GetSessionByPID': 'u',
              'PowerOff': 'b', 'Reboot': 'b', 'TerminateSession': 's'}


def bus():
    address = os.environ.get('DBUS_SYSTEM_BUS_ADDRESS', '')
    if not address.startswith('unix:path=/tmp/'):
        sys.exit(f'e2e_mock: refusing bus {address!r}: only a private bus in /tmp')
    return dbus.bus.BusConnection(address)


def mock(path=MAIN):
    return dbus.Interface(bus().get_object('org.freedesktop.login1', path), MOCK)


def add_method(name, in_sig, out_sig, code):
    mock().AddMethod(MANAGER, name, in_sig, out_sig, code)


def main(argv):
    command = argv[1]
    if command == 'setup':
        for name, (in_sig, code) in NORMAL.items():
            add_method(name, in_sig, 'o' if name == 'GetSessionByPID' else '', code)
        try:
            mock().AddSession('c1', 'seat0', dbus.UInt32(1000), 'user', True)
        except dbus.exceptions.DBusException as error:
            if not error.get_dbus_name().endswith('SessionExists'):
                raise
    elif command == 'fail':
        name, error, text = argv[2], argv[3], argv[4]
        out_sig = 'o' if name == 'GetSessionByPID' else ''
        add_method(name, SIGNATURES[name], out_sig,
                   f'raise dbus.exceptions.DBusException({text!r}, name={error!r})')
    elif command == 'calls':
        path = argv[3] if len(argv) > 3 else MAIN
        for _, args in mock(path).GetMethodCalls(argv[2]):
            print(' '.join(str(a) for a in args) if args else '-')
    elif command == 'clear':
        for path in (MAIN, SESSION):
            mock(path).ClearCalls()
    else:
        sys.exit(f'e2e_mock: unknown command {command}')


if __name__ == '__main__':
    main(sys.argv)
