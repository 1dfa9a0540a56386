#!/usr/bin/env python3
"""Reads both checkout screens from the accessibility bus as a screen reader does, and pays
with the keyboard alone (xdotool key presses into the X display).

Usage: a11y_screens.py SCREEN_PROCESS. Needs DISPLAY (Xvfb) and a session bus; run-a11y.sh
provides both. Every wait is bounded; a failure prints what was expected and what was there.
"""
import os
import select
import subprocess
import sys
import time

import pyatspi

WAIT_SECONDS = 30
# Roles a shopper operates; each one needs a name a screen reader can speak.
CONTROLS = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
            pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON,
            pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LINK}


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


def wait_for(what, probe):
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.05)
    fail("gave up waiting for " + what)


def nodes(root):
    """Every showing object under root, root included."""
    stack = [root]
    while stack:
        node = stack.pop()
        if node is None:
            continue
        try:
            if node.getState().contains(pyatspi.STATE_SHOWING) or node is root:
                yield node
                stack.extend(node[i] for i in reversed(range(node.childCount)))
        except Exception:  # an object that went away while being read
            continue


def describe(node):
    return "%s '%s'" % (node.getRoleName(), node.name)


class Screen:
    def __init__(self, process, mode):
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.mode = mode
        self.desktop = pyatspi.Registry.getDesktop(0)  # the bus is up before the screen starts
        self.proc = subprocess.Popen([process, mode], stdout=subprocess.PIPE, text=True, env=env)
        self.app = wait_for(mode + " screen on the bus", self._find_app)

    def _find_app(self):
        self.desktop.clear_cache()  # applications that registered since the last look
        for app in self.desktop:
            if app is not None and app.get_process_id() == self.proc.pid:
                return app
        return None

    def find(self, role, name=None):
        for top in nodes(self.app):
            if top.getRole() == role and (name is None or top.name == name):
                return top
        return None

    def wait(self, role, name=None):
        return wait_for("%s '%s'" % (role, name), lambda: self.find(role, name))

    def gone(self, role, name):
        """Waits for a window to close and, as a window manager would, gives the keyboard back
        to the window under it (Xvfb has no window manager)."""
        wait_for("%s to close" % name, lambda: self.find(role, name) is None)
        windows = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                                  str(self.proc.pid)], capture_output=True, text=True).stdout
        for window in windows.split():
            subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)

    def focused(self):
        for node in nodes(self.app):
            if node.getState().contains(pyatspi.STATE_FOCUSED):
                return node
        return None

    def check_tree(self, where):
        controls = 0
        for node in nodes(self.app):
            role = node.getRole()
            if role in (pyatspi.ROLE_INVALID, pyatspi.ROLE_UNKNOWN):
                fail("%s: an object without a role: '%s'" % (where, node.name))
            if role in CONTROLS:
                controls += 1
                if not node.name.strip():
                    fail("%s: a %s without a name" % (where, node.getRoleName()))
        if controls == 0:
            fail("%s: no control on the bus at all" % where)
        print("%s: %d controls, each with a role and a name" % (where, controls), flush=True)

    def keys(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "30"] + list(keys), check=True)

    def tab_to(self, name):
        for _ in range(30):
            node = self.focused()
            if node is not None and node.name == name:
                return
            self.keys("Tab")
            wait_for("focus to move from %s" % (describe(node) if node else "nothing"),
                     lambda: self.focused() != node)
        fail("%s: Tab never reached '%s' (focus on %s)" % (self.mode, name,
                                                          describe(self.focused())))

    def outcome(self):
        ready, _, _ = select.select([self.proc.stdout], [], [], WAIT_SECONDS)
        if not ready:
            fail(self.mode + ": no outcome")
        while True:
            line = self.proc.stdout.readline()
            if not line:
                fail(self.mode + ": the screen process ended without an outcome")
            if line.startswith("outcome "):
                self.proc.wait(WAIT_SECONDS)
                return line.split(" ", 2)[1:]

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(WAIT_SECONDS)


def check_alert(screen, title, buttons):
    alert = screen.wait(pyatspi.ROLE_ALERT, title)
    names = [node.name for node in nodes(alert) if node.getRole() == pyatspi.ROLE_PUSH_BUTTON]
    if names != buttons:
        fail("alert '%s' offers %s, not %s" % (title, names, buttons))
    screen.check_tree("alert " + title)


def otp_flow(process):
    screen = Screen(process, "otp")
    try:
        screen.wait(pyatspi.ROLE_PUSH_BUTTON, "Back")
        for n in range(1, 5):
            screen.wait(pyatspi.ROLE_TEXT, "OTP digit %d of 4" % n)
        screen.check_tree("OTP entry")
        screen.tab_to("OTP digit 1 of 4")
        screen.keys("1", "1", "1", "1", "Return")
        check_alert(screen, "Alert", ["Ok"])
        screen.keys("Escape")
        screen.gone(pyatspi.ROLE_ALERT, "Alert")
        screen.tab_to("OTP digit 4 of 4")
        screen.keys(*["BackSpace"] * 4)
        screen.wait(pyatspi.ROLE_TEXT, "OTP digit 1 of 4")
        wait_for("the digits to clear and the focus to reach digit 1",
                 lambda: (screen.focused() or screen.app).name == "OTP digit 1 of 4")
        screen.keys("4", "8", "2", "1", "Return")
        status, data = screen.outcome()
        if status != "true" or '"otp_verified":true' not in data:
            fail("OTP flow ended with %s %s" % (status, data))
    finally:
        screen.close()


def upi_flow(process):
    screen = Screen(process, "upi")
    try:
        screen.wait(pyatspi.ROLE_PUSH_BUTTON, "Pay with PhonePe")
        screen.check_tree("UPI tiles")
        screen.tab_to("Back")
        screen.keys("space")
        check_alert(screen, "Are you sure you want to cancel the payment?", ["CANCEL", "OK"])
        screen.keys("Escape")
        screen.gone(pyatspi.ROLE_ALERT, "Are you sure you want to cancel the payment?")
        screen.tab_to("Pay with PhonePe")
        screen.keys("space")
        status, data = screen.outcome()
        if status != "true" or '"payment_status":"PAID"' not in data:
            fail("UPI flow ended with %s %s" % (status, data))
    finally:
        screen.close()


if __name__ == "__main__":
    otp_flow(sys.argv[1])
    upi_flow(sys.argv[1])
    print("both screens read and paid from the keyboard", flush=True)
