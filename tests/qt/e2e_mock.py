"""Drives the mock logind of run-e2e (python3-dbusmock's logind template on a private bus).

  e2e_mock.py setup [WHERE [XPID]]   the methods our program calls; session c1 of our uid, the
                                     display session of our user, and session c2 of another
                                     user. WHERE the program runs: "inside" session c1 (the
                                     default), "outside" any session as desktops start programs
                                     (GetSessionByPID, GetSession("self") fail with
                                     NoSessionForPID, "auto" names c1), "old" like outside with a
                                     logind without "auto", "none": outside, our user with no
                                     display session, "console": inside a text console session
                                     c1, with our graphical session c3 beside it as the user's
                                     display session, "wayland": outside, c1 a Wayland session
                                     (Display empty), "startx": outside, c1 an x11 session that
                                     names no display and runs the X server (process id XPID)
  e2e_mock.py fail METHOD ERROR TEXT [WHEN]   METHOD (a request or GetSession) raises the D-Bus
                                     error ERROR with message TEXT (when the Python condition
                                     WHEN on its args holds)
  e2e_mock.py refuse ERROR TEXT      so do all three requests: PowerOff, Reboot, Terminate of c1
  e2e_mock.py calls METHOD           prints one line per recorded call of the manager: its arguments
  e2e_mock.py requests               prints "METHOD ARGUMENTS" of every request, "Terminate cN" too
  e2e_mock.py clear                  forgets the recorded calls of every object
  e2e_mock.py a11y-bus               on the session bus: org.a11y.Bus answering with that bus
  e2e_mock.py portal-calls           prints "Inhibit FLAGS" for every Inhibit the desktop portal
                                     (portal_mock.py) took, then "held N": its inhibitions now
  e2e_mock.py portal-clear           forgets the Inhibits the portal took so far
  e2e_mock.py portal-delay SECONDS   the portal answers later Inhibits after that long
  e2e_mock.py portal-tally           prints "TAKEN ANSWERED HELD" of the portal's Inhibits
  e2e_mock.py texts PID              prints "role: name" of every accessible object of process PID
                                     (a line break in a name as a space)
  e2e_mock.py describe PID NAME      prints "role|value|actions" of the object named NAME, or
                                     of the first of that role (a field's text)
  e2e_mock.py press PID NAME         a screen reader's "Press" on the object named NAME
  e2e_mock.py states PID NAME        prints which of enabled, sensitive the object named NAME has
  e2e_mock.py focused PID            prints "role: name" of the focused widget (no item of a popup)

Refuses to talk to any bus but a private one in /tmp: the real logind must never be asked.
"""
import os
import sys

import dbus

MANAGER = 'org.freedesktop.login1.Manager'
MAIN = '/org/freedesktop/login1'
SESSIONS = '/org/freedesktop/login1/session/'
SESSION = SESSIONS + 'c1'
OTHER_SESSION = SESSIONS + 'c2'
GRAPHICAL_SESSION = SESSIONS + 'c3'
MOCK = 'org.freedesktop.DBus.Mock'
ACTION = 'org.a11y.atspi.Action'
OUR_UID = os.getuid()
OTHER_UID = 1000 if OUR_UID != 1000 else 1001

# The requests, as they answer when nothing refuses them: logind 248 and later has the
# *WithFlags methods (the plain ones come with the template).
REQUESTS = ('PowerOffWithFlags', 'RebootWithFlags', 'Terminate')
SIGNATURES = {'PowerOffWithFlags': 't', 'RebootWithFlags': 't', 'GetSession': 's', 'Terminate': ''}
OUT_SIGNATURES = {'GetSession': 'o'}

# What GetSession answers for the special names, by where the program runs; any other name is
# looked up among the sessions.
SPECIAL = {'inside': {'self': 'c1', 'auto': 'c1'}, 'outside': {'auto': 'c1'}, 'old': {}, 'none': {},
           'console': {'self': 'c1', 'auto': 'c1'}, 'wayland': {'auto': 'c1'}, 'startx': {'auto': 'c1'}}
NO_SESSION = ('raise dbus.exceptions.DBusException("Caller does not belong to any known session", '
              'name="org.freedesktop.login1.NoSessionForPID")')


def get_session_code(where):
    special = SPECIAL[where]
    # A logind before "auto" takes both names as session ids that do not exist.
    unknown_special = '()' if where == 'old' else '("self", "auto")'
    return '\n'.join([
        f'special = {special!r}',
        'if args[0] in special:',
        f'    ret = dbus.ObjectPath("{SESSIONS}" + special[args[0]])',
        f'elif args[0] in {unknown_special}:',
        f'    {NO_SESSION}',
        f'elif "{SESSIONS}" + args[0] in objects:',
        f'    ret = dbus.ObjectPath("{SESSIONS}" + args[0])',
        'else:',
        '    raise dbus.exceptions.DBusException("No session %r known" % args[0], '
        'name="org.freedesktop.login1.NoSuchSession")',
    ])


def private(variable):
    address = os.environ.get(variable, '')
    if not address.startswith('unix:path=/tmp/'):
        sys.exit(f'e2e_mock: refusing {variable} {address!r}: only a private bus in /tmp')
    return address, dbus.bus.BusConnection(address)


def login1(path):
    return private('DBUS_SYSTEM_BUS_ADDRESS')[1].get_object('org.freedesktop.login1', path)


def accessibles(pid):
    """Walks the accessibility tree that Qt exports for process `pid` on the session bus: every
    object as (role, name, node)."""
    bus = private('DBUS_SESSION_BUS_ADDRESS')[1]
    daemon = bus.get_object('org.freedesktop.DBus', '/org/freedesktop/DBus')
    accessible = 'org.a11y.atspi.Accessible'
    found = []

    def walk(name, path, timeout=25.0):
        node = bus.get_object(name, path, introspect=False)
        label = node.Get(accessible, 'Name', dbus_interface='org.freedesktop.DBus.Properties',
                         timeout=timeout)
        found.append((str(node.GetRoleName(dbus_interface=accessible)), str(label), node))
        for _, child in node.GetChildren(dbus_interface=accessible):
            walk(name, child)

    for name in daemon.ListNames(dbus_interface='org.freedesktop.DBus'):
        if not name.startswith(':'):
            continue
        try:
            if daemon.GetConnectionUnixProcessID(name, dbus_interface='org.freedesktop.DBus') != pid:
                continue
            # The program has other connections too (its hold on idle sleep keeps one open, which
            # knows no accessible object): a connection that does not answer at once is not Qt's.
            walk(name, '/org/a11y/atspi/accessible/root', timeout=2.0)
        except dbus.exceptions.DBusException:
            continue
    return found


def actions(node):
    """The names of an object's actions (none without the Action interface)."""
    if ACTION not in node.GetInterfaces(dbus_interface='org.a11y.atspi.Accessible'):
        return []
    return [str(a[0]) for a in node.GetActions(dbus_interface=ACTION)]


# AT-SPI's state bits that a screen reader reads to tell a locked control and the focus.
STATES = {8: 'enabled', 24: 'sensitive'}
FOCUSED, TRANSIENT = 12, 28


def state_bits(node):
    low, high = node.GetState(dbus_interface='org.a11y.atspi.Accessible')
    return int(low) | (int(high) << 32)


def named(pid, name):
    for role, label, node in accessibles(pid):
        if name in (label, role):
            return role, node
    sys.exit(f'e2e_mock: no accessible object named {name!r}')


def mock(path=MAIN):
    return dbus.Interface(login1(path), MOCK)


def add_method(name, in_sig, out_sig, code):
    if name == 'Terminate':
        mock(SESSION).AddMethod('org.freedesktop.login1.Session', name, '', '', code)
    else:
        mock().AddMethod(MANAGER, name, in_sig, out_sig, code)


def add_sessions():
    for session_id, uid, name, active in (('c1', OUR_UID, 'user', True), ('c2', OTHER_UID, 'other', False),
                                          ('c3', OUR_UID, 'user', True)):
        try:
            mock().AddSession(session_id, 'seat0', dbus.UInt32(uid), name, active)
        except dbus.exceptions.DBusException as error:
            if not error.get_dbus_name().endswith('SessionExists'):
                raise


def set_properties(path, interface, **values):
    for name, value in values.items():
        login1(path).Set(f'org.freedesktop.login1.{interface}', name, value,
                         dbus_interface='org.freedesktop.DBus.Properties')


def setup(where, xpid=0):
    add_sessions()
    for name in REQUESTS:
        add_method(name, SIGNATURES[name], '', '')
    ours = os.environ.get('DISPLAY', '')
    own = {'console': ('tty', ''), 'wayland': ('wayland', ''), 'startx': ('x11', '')}.get(where, ('x11', ours))
    for path, (kind, display) in ((SESSION, own), (OTHER_SESSION, ('x11', ours)),
                                  (GRAPHICAL_SESSION, ('x11', ours))):
        set_properties(path, 'Session', Type=kind, Display=display)
    by_pid = f'ret = dbus.ObjectPath("{SESSION}")' if where in ('inside', 'console') else NO_SESSION
    if where == 'startx':
        by_pid = f'if args[0] != {int(xpid)}:\n    {NO_SESSION}\nret = dbus.ObjectPath("{SESSION}")'
    add_method('GetSessionByPID', 'u', 'o', by_pid)
    add_method('GetSession', 's', 'o', get_session_code(where))
    add_method('GetUser', 'u', 'o', '\n'.join([
        'path = "/org/freedesktop/login1/user/%d" % args[0]',
        'if path not in objects:',
        '    raise dbus.exceptions.DBusException("User %d not known" % args[0], '
        'name="org.freedesktop.login1.NoSuchUser")',
        'ret = dbus.ObjectPath(path)']))
    display = {'none': ('', '/'), 'console': ('c3', GRAPHICAL_SESSION)}.get(where, ('c1', SESSION))
    set_properties(f'/org/freedesktop/login1/user/{OUR_UID}', 'User',
                   Display=dbus.Struct((display[0], dbus.ObjectPath(display[1])), signature='so'))


def portal():
    return dbus.Interface(private('DBUS_SESSION_BUS_ADDRESS')[1].get_object(
        'org.freedesktop.portal.Desktop', '/org/freedesktop/portal/desktop'), MOCK)


def main(argv):
    command = argv[1]
    if command == 'setup':
        setup(argv[2] if len(argv) > 2 else 'inside', argv[3] if len(argv) > 3 else 0)
    elif command in ('fail', 'refuse'):
        names, (error, text, *when) = (argv[2:3], argv[3:]) if command == 'fail' else (REQUESTS, argv[2:])
        for name in names:
            add_method(name, SIGNATURES[name], OUT_SIGNATURES.get(name, ''),
                       f'if {when[0] if when else True}: '
                       f'raise dbus.exceptions.DBusException({text!r}, name={error!r})')
    elif command == 'requests':
        for name in ('PowerOffWithFlags', 'RebootWithFlags', 'PowerOff', 'Reboot'):
            for _, args in mock().GetMethodCalls(name):
                print(name, *args)
        for path in (SESSION, OTHER_SESSION, GRAPHICAL_SESSION):
            for _ in mock(path).GetMethodCalls('Terminate'):
                print('Terminate', path[len(SESSIONS):])
    elif command == 'calls':
        for _, args in mock().GetMethodCalls(argv[2]):
            print(' '.join(str(a) for a in args) if args else '-')
    elif command == 'clear':
        for path in (MAIN, SESSION, OTHER_SESSION, GRAPHICAL_SESSION):
            mock(path).ClearCalls()
    elif command == 'a11y-bus':
        address, bus = private('DBUS_SESSION_BUS_ADDRESS')
        status = dbus.Interface(bus.get_object('org.a11y.Bus', '/org/a11y/bus'), MOCK)
        status.AddMethod('org.a11y.Bus', 'GetAddress', '', 's', f'ret = {address!r}')
    elif command == 'portal-calls':
        for _, args in portal().GetMethodCalls('Inhibit'):
            print(f'Inhibit {args[1]}')
        print(f'held {portal().Tally()[2]}')
    elif command == 'portal-clear':
        portal().ClearCalls()
    elif command == 'portal-delay':
        portal().SetDelay(float(argv[2]))
    elif command == 'portal-tally':
        print(' '.join(str(n) for n in portal().Tally()))
    elif command == 'texts':
        for role, label, _ in accessibles(int(argv[2])):
            print(f'{role}: {label}'.replace('\n', ' '))
    elif command == 'describe':
        role, node = named(int(argv[2]), argv[3])
        value = node.GetText(0, -1, dbus_interface='org.a11y.atspi.Text') if role == 'text' else ''
        print(f'{role}|{value}|{",".join(actions(node))}')
    elif command == 'states':
        bits = state_bits(named(int(argv[2]), argv[3])[1])
        print(' '.join(name for bit, name in sorted(STATES.items()) if bits >> bit & 1))
    elif command == 'focused':
        # Qt leaves the current item of the list's popup marked focused after the popup has
        # closed; that item is transient (a row of the popup's view, not a widget), and Tab never
        # reaches it.
        for role, label, node in accessibles(int(argv[2])):
            if state_bits(node) >> FOCUSED & 1 and not state_bits(node) >> TRANSIENT & 1:
                print(f'{role}: {label}')
    elif command == 'press':
        node = named(int(argv[2]), argv[3])[1]
        names = actions(node)
        if 'Press' not in names or not node.DoAction(names.index('Press'), dbus_interface=ACTION):
            sys.exit(f'e2e_mock: {argv[3]} did not take Press (its actions: {names})')
    else:
        sys.exit(f'e2e_mock: unknown command {command}')


if __name__ == '__main__':
    main(sys.argv)
