#!/usr/bin/python3
"""The calculator as a screen reader meets it, through AT-SPI on a private session bus: the sample
host runs on its own Xvfb display with accessibility on, its calculator is opened and keyed in
through the accessibility interfaces alone, and every figure must be told once (a name change of
the object with the focus, no focus coming and going), the display and the FIX indicator must give
their values, and the host must print nothing on standard error.

Usage (a session bus of its own): dbus-run-session -- python3 atspi_calculator.py ZARNETCALC_DEMO
"""
import math
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

failures = []


def check(ok, what):
    print(("PASS " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def pump(seconds):
    """Runs the main loop, which delivers the host's events to the listeners, for a while."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        while context.pending():
            context.iteration(False)
        time.sleep(0.01)


def wait_for(find, what, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = find()
        if found is not None:
            return found
        pump(0.1)
    sys.exit("atspi_calculator: no " + what)


def named(root, name, roles=None):
    try:
        return pyatspi.findDescendant(
            root, lambda a: a.name == name and (roles is None or a.getRole() in roles))
    except Exception:  # the tree changes while it is walked
        return None


def value_of(accessible):
    try:
        return accessible.queryValue().currentValue
    except NotImplementedError:
        return None  # no Value interface


def main():
    demo = sys.argv[1]
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten",
                             "tcp"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    display = ":" + xvfb.stdout.readline().decode().strip()
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                           stderr=subprocess.DEVNULL)
    host = None
    try:
        events = []

        def record(event):
            try:
                events.append((event.type, event.source.name))
            except Exception:
                events.append((event.type, None))

        for kind in ("focus:", "object:property-change:accessible-name"):
            pyatspi.Registry.registerEventListener(record, kind)
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        host = subprocess.Popen([demo], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, text=True)

        desktop = pyatspi.Registry.getDesktop(0)
        app = wait_for(lambda: next((a for a in desktop if a and a.name == "zarnetcalc-demo"), None),
                       "sample host on the accessibility bus")
        opener = wait_for(lambda: named(app, "Calculator...", [pyatspi.ROLE_PUSH_BUTTON]),
                          "Calculator... button")
        opener.queryAction().doAction(0)  # the calculator opens modally
        dialog = wait_for(lambda: named(app, "Calculator", [pyatspi.ROLE_DIALOG]), "calculator")
        wait_for(lambda: named(dialog, "Equals"), "keypad")
        readout = named(dialog, "Display")
        indicator = named(dialog, "Fixed decimals indicator")
        pump(0.5)

        # (key, the figure then shown, the number the display's value gives)
        steps = [("8", "8", 8.0), ("Divide", None, 8.0), ("0", "0", 0.0),
                 ("Equals", "Error", math.nan), ("All clear", "0", 0.0), ("5", "5", 5.0),
                 ("Decimal point", "5.", 5.0), ("2", "5.2", 5.2), ("Fix decimals", None, 5.2)]
        for key, figure, value in steps:
            del events[:]
            named(dialog, key, [pyatspi.ROLE_PUSH_BUTTON]).queryAction().doAction(0)
            pump(0.4)
            focus = [e for e in events if e[0].startswith("focus")]
            told = [e[1] for e in events if e[0].startswith("object:property-change:accessible-name")]
            # The first key moves the focus from the "1" key to where it rests from then on.
            if key != "8":
                check(focus == [], "%s: the focus stays where it rests (%r)" % (key, focus))
            check(told == ([figure] if figure else []), "%s: told %r once (%r)" % (key, figure, told))
            shown = readout.queryText().getText(0, -1)
            got = value_of(readout)
            check(got == value or (got is not None and math.isnan(got) and math.isnan(value)),
                  "%s: the display %r gives the value %r (%r)" % (key, shown, value, got))
        check(indicator.queryText().getText(0, -1) == "FIX" and value_of(indicator) == 1.0,
              "the FIX indicator lit gives 1")
        named(dialog, "Close", [pyatspi.ROLE_PUSH_BUTTON]).queryAction().doAction(0)
        pump(0.3)
    finally:
        if host is not None:
            host.terminate()
            _, errors = host.communicate(timeout=20)
            check(errors == "", "the host printed nothing on standard error (%r)" % errors[:300])
        bus.terminate()
        xvfb.terminate()
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
