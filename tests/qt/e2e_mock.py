"""Drives the mock logind of run-e2e (python3-dbusmock's logind template on a private bus).

  e2e_mock.py setup                  the methods our program calls, and session c1 of uid 1000
  e2e_mock.py fail METHOD ERROR TEXT METHOD raises the D-Bus error ERROR with message TEXT
  e2e_mock.py calls METHOD [PATH]    prints one line per recorded call: its arguments
  e2e_mock.py clear                  forgets the recorded calls of every object
  e2e_mock.py a11y-bus               on the session bus: org.a11y.Bus answering with that bus
  e2e_mock.py texts PID              prints "role: name" of every accessible object of process PID

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


def session_bus():
    address = os.environ.get('DBUS_SESSION_BUS_ADDRESS', '')
    if not address.startswith('unix:path=/tmp/'):
        sys.exit(f'e2e_mock: refusing session bus {address!r}: only a private bus in /tmp')
    return address, dbus.bus.BusConnection(address)


def accessible_texts(pid):
    """Walks the accessibility tree that Qt exports for process `pid` on the session bus."""
    _, bus = session_bus()
    daemon = bus.get_object('org.freedesktop.DBus', '/org/freedesktop/DBus')
    accessible = 'org.a11y.atspi.Accessible'
    lines = []

    def walk(name, path):
        node = bus.get_object(name, path, introspect=False)
        label = node.Get(accessible, 'Name', dbus_interface='org.freedesktop.DBus.Properties')
        lines.append(f'{node.GetRoleName(dbus_interface=accessible)}: {label}')
        for _, child in node.GetChildren(dbus_interface=accessible):
            walk(name, child)

    for name in daemon.ListNames(dbus_interface='org.freedesktop.DBus'):
        if not name.startswith(':'):
            continue
        try:
            if daemon.GetConnectionUnixProcessID(name, dbus_interface='org.freedesktop.DBus') != pid:
                continue
            walk(name, '/org/a11y/atspi/accessible/root')
        except dbus.exceptions.DBusException:
            continue
    return lines


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
    elif command == 'a11y-bus':
        address, bus = session_bus()
        status = dbus.Interface(bus.get_object('org.a11y.Bus', '/org/a11y/bus'), MOCK)
        status.AddMethod('org.a11y.Bus', 'GetAddress', '', 's', f'ret = {address!r}')
    elif command == 'texts':
        for line in accessible_texts(int(argv[2])):
            print(line)
    else:
        sys.exit(f'e2e_mock: unknown command {command}')


if __name__ == '__main__':
    main(sys.argv)
