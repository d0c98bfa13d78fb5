"""The desktop portal's Inhibit for run-e2e, a python3-dbusmock template on the private session
bus. As xdg-desktop-portal does, it holds an inhibition from the moment it takes the call until
its holder leaves the bus, whether it has answered yet or not.

Mock methods (org.freedesktop.DBus.Mock on /org/freedesktop/portal/desktop):
  SetDelay(d)      answers every later Inhibit d seconds after it came (a busy or hung desktop)
  Tally() -> uuu   Inhibits taken, Inhibits answered, inhibitions held now
"""
import dbus
from gi.repository import GLib

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.Inhibit'
SYSTEM_BUS = False
MOCK_IFACE = 'org.freedesktop.DBus.Mock'


def load(mock, _parameters):
    mock.delay, mock.taken, mock.answered = 0.0, 0, 0
    mock.held = {}  # request path -> holder's unique name

    def on_owner_changed(name, _old, new):
        if not new:
            for path in [p for p, holder in mock.held.items() if holder == name]:
                del mock.held[path]

    mock.connection.add_signal_receiver(on_owner_changed, 'NameOwnerChanged',
                                        'org.freedesktop.DBus', 'org.freedesktop.DBus',
                                        '/org/freedesktop/DBus')


@dbus.service.method(MAIN_IFACE, in_signature='sua{sv}', out_signature='o',
                     sender_keyword='sender', async_callbacks=('answer', '_error'))
def Inhibit(self, _window, _flags, _options, sender, answer, _error):  # pylint: disable=invalid-name
    self.taken += 1
    path = dbus.ObjectPath(f'{MAIN_OBJ}/request/{self.taken}')
    self.held[path] = sender

    def reply():
        self.answered += 1
        answer(path)
        return False

    GLib.timeout_add(int(self.delay * 1000), reply)


@dbus.service.method(MOCK_IFACE, in_signature='d', out_signature='')
def SetDelay(self, seconds):  # pylint: disable=invalid-name
    self.delay = float(seconds)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='uuu')
def Tally(self):  # pylint: disable=invalid-name
    return (self.taken, self.answered, len(self.held))
