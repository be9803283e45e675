#!/usr/bin/python3
"""A left click at X,Y of a headless mutter's screen, through mutter's own remote-desktop
interface on the session bus (what GNOME's portal and remote desktop server use). The tests play
the person who clicks a Wayland window to bring it to the front, which X11's tools cannot do.

    mutter_click.py X Y
"""
import sys
import time

import dbus

RD = 'org.gnome.Mutter.RemoteDesktop'
BTN_LEFT = 0x110


def main():
    x, y = float(sys.argv[1]), float(sys.argv[2])
    bus = dbus.SessionBus()
    desktop = dbus.Interface(bus.get_object(RD, '/org/gnome/Mutter/RemoteDesktop'), RD)
    # The session lives as long as this connection to the bus does.
    session = dbus.Interface(bus.get_object(RD, desktop.CreateSession()), RD + '.Session')
    session.Start()
    # Any motion far enough up and left ends in the top left corner; from there to the point.
    session.NotifyPointerMotionRelative(-100000.0, -100000.0)
    session.NotifyPointerMotionRelative(x, y)
    time.sleep(0.15)
    session.NotifyPointerButton(BTN_LEFT, True)
    time.sleep(0.08)
    session.NotifyPointerButton(BTN_LEFT, False)
    time.sleep(0.1)
    session.Stop()


if __name__ == '__main__':
    main()
