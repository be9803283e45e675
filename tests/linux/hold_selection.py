#!/usr/bin/env python3
"""Owns an X selection from a window of its own until its standard input closes, as any client of
the display can: a stand-in for a program that squats on formix's instance lock.

    hold_selection.py NAME     (prints "holding" once the selection is its own)
"""
import ctypes
import ctypes.util
import sys


def main():
    x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XCreateSimpleWindow.restype = ctypes.c_ulong
    x.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 4 + [ctypes.c_uint] + [ctypes.c_ulong] * 2
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
    x.XGetSelectionOwner.restype = ctypes.c_ulong
    x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    display = x.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the display")
    window = x.XCreateSimpleWindow(display, x.XDefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0)
    selection = x.XInternAtom(display, sys.argv[1].encode(), 0)
    x.XSetSelectionOwner(display, selection, window, 0)
    if x.XGetSelectionOwner(display, selection) != window:
        sys.exit("the selection is held by somebody else")
    print("holding", flush=True)
    sys.stdin.read()


main()
