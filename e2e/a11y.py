#!/usr/bin/python3
"""The end-to-end test's screen reader: reads and drives the editor through the accessibility bus
(AT-SPI), as an assistive technology would.

Runs as a server for the test script: one command per line on stdin, one answer per line on
stdout ("ok [value]" or "fail reason"). Every wait polls a condition and gives up after
E2E_WAIT seconds (30 by default).

  a11y.py [IMAGE_TOOL]      IMAGE_TOOL (e2e/image_tool) names the key-caps for "check"

  app PID                          take the application of process PID
  focused WINDOW ROLE NAME         wait until that control has the keyboard focus
  do WINDOW ROLE NAME ACTION       wait until that control offers ACTION, then do it
  settext WINDOW ROLE NAME TEXT    replace the text of an editable control
  shows WINDOW ROLE NAME TEXT      wait until that control's text is TEXT
  window WINDOW                    wait until that window is open
  gone WINDOW                      wait until no such window is open
  check WINDOW                     compare the window's controls with the expected list below
  windows                          the roles and names of the open windows
  has WINDOW ROLE NAME             wait until such a control exists
  where WINDOW ROLE NAME           "X Y WIDTH HEIGHT" of that control on the screen
  named WINDOW ROLE NAME WANTED     wait until that control's name is WANTED
  selected WINDOW ROLE             the names of the window's controls of ROLE that are selected,
                                   "|" between them
  listen                           from now on, note every menu that opens or takes the focus,
                                   forgetting those noted before
  menu NAME ROLE                   wait until a menu named NAME was noted (a popup menu is no
                                   child of the application, so only its events tell of it);
                                   answers the names of its items of ROLE, "|" between them
  buttons WINDOW NAME...            wait until the window has push buttons of those NAMEs, each
                                    offering Press; answers the name of the default among them

A WINDOW is its name, or ROLE:NAME where two windows share a name (the main window and its
message boxes are all called "Vorlane"). A NAME ending in "*" matches every name that starts with
the rest; "@LABEL" matches the control that LABEL labels (Qt names a list by its choice), and "#K"
the K-th control of the window, from 0.
"""

import os
import shlex
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

LIMIT = float(os.environ.get("E2E_WAIT", "30"))


def key_caps():
    """The labels of the on-screen keyboard, in the order of its controls, from its table."""
    if len(sys.argv) < 2:
        raise ValueError("no image tool given to name the key-caps")
    listed = subprocess.run([sys.argv[1], "key-caps"], check=True, capture_output=True, text=True)
    return listed.stdout.splitlines()


def expected_controls(window):
    """(role, name, actions it must offer, name of its label) of every control of a window, in
    order. A list is named by its label, as Qt does on Linux: its own name is its choice."""
    if window == "frame:Vorlane":
        rows = [("push button", "Load", {"Press"}), ("push button", "Save", {"Press"}),
                ("push button", "Exit", {"Press"}), ("text", "Image file", set())]
        for n in range(1, 9):
            rows += [("label", f"M{n} key", set()),
                     ("combo box", "*", {"Press"}, f"M{n} key")]
        rows += [("push button", f"Set Prog{i}", {"Press"}) for i in range(1, 9)]
        return rows
    if window.startswith("Set Prog "):
        rows = []
        for i in range(1, 101):
            rows += [("label", str(i), set()), ("list item", f"Step {i}: *", {"Open"})]
        return rows + [("scroll bar", "Page", set())]
    if window.startswith("Set itemNum "):
        rows = [("combo box", "*", {"Press"}), ("combo box", "*", {"Press"}),
                ("label", "*", set()), ("push button", "Clear Set", {"Press"}),
                ("push button", "Save Set", {"Press"}), ("push button", "Record", {"Press"})]
        return rows + [("push button", cap, {"Press"}) for cap in key_caps()]
    raise ValueError(f"no expected list for window {window!r}")


def label_of(node):
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            return relation.getTarget(0).name
    return None


def matches(node, pattern):
    if pattern.startswith("@"):
        return label_of(node) == pattern[1:]
    if pattern.endswith("*"):
        return node.name.startswith(pattern[:-1])
    return node.name == pattern


def actions_of(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


class Reader:
    def __init__(self):
        self.app = None
        self.menus = []
        self.menus_heard = False

    def poll(self, what, condition):
        deadline = time.monotonic() + LIMIT
        last_error = None
        while True:
            try:
                result = condition()
            except Exception as error:  # a window or control that went away while being read
                result, last_error = None, error
            if result:
                return result
            if time.monotonic() > deadline:
                cause = f" (last: {last_error})" if last_error else ""
                raise TimeoutError(f"{what} within {LIMIT:g}s{cause}")
            time.sleep(0.1)

    def cmd_app(self, pid):
        def find():
            for app in pyatspi.Registry.getDesktop(0):
                if app is not None and app.get_process_id() == int(pid):
                    return app
            return None
        self.app = self.poll(f"no application of process {pid} on the bus", find)
        return ""

    def windows(self):
        return [w for w in self.app if w is not None]

    def find_window(self, wanted):
        role, _, name = wanted.rpartition(":") if ":" in wanted else ("", "", wanted)
        found = [w for w in self.windows()
                 if w.name == name and (not role or w.getRoleName() == role)]
        return found[0] if len(found) == 1 else None

    def window(self, name):
        return self.poll(f"no window named {name!r}", lambda: self.find_window(name))

    def find_control(self, node, role, name, depth=4):
        """The first control of that role and name under `node`, depth first."""
        if name.startswith("#"):
            child = node.getChildAtIndex(int(name[1:]))
            return child if child is not None and child.getRoleName() == role else None
        for child in node:
            if child is None:
                continue
            if child.getRoleName() == role and matches(child, name):
                return child
            if depth > 1 and child.childCount:
                found = self.find_control(child, role, name, depth - 1)
                if found is not None:
                    return found
        return None

    def control(self, window_name, role, name):
        return self.poll(f"no {role} named {name!r} in {window_name!r}",
                         lambda: self.find_control(self.window(window_name), role, name))

    def cmd_window(self, name):
        self.window(name)
        return ""

    def cmd_gone(self, wanted):
        self.poll(f"window {wanted!r} still open", lambda: self.find_window(wanted) is None)
        return ""

    def cmd_windows(self):
        return " | ".join(f"{w.getRoleName()}:{w.name}" for w in self.windows())

    def cmd_has(self, window_name, role, name):
        self.control(window_name, role, name)
        return ""

    def cmd_buttons(self, window_name, *names):
        def read():
            window = self.window(window_name)
            found = {name: self.find_control(window, "push button", name) for name in names}
            if any(b is None or "Press" not in actions_of(b) for b in found.values()):
                return None
            return [name for name, b in found.items()
                    if b.getState().contains(pyatspi.STATE_IS_DEFAULT)] or ["(none)"]
        return " ".join(self.poll(f"{window_name!r} lacks one of the buttons {names}", read))

    def cmd_selected(self, window_name, role):
        return "|".join(c.name for c in self.window(window_name) if c is not None
                        and c.getRoleName() == role
                        and c.getState().contains(pyatspi.STATE_SELECTED))

    def menu_heard(self, event):
        node = event.source
        try:
            if node.getRoleName() == "menu item":
                node = node.parent
            if node.getRoleName() in ("menu", "popup menu") and node not in self.menus:
                self.menus.append(node)
        except Exception:  # gone while being read
            pass

    def cmd_listen(self):
        if not self.menus_heard:
            pyatspi.Registry.registerEventListener(
                self.menu_heard, "object:state-changed:focused", "object:state-changed:showing")
        self.menus_heard = True
        self.menus = []
        return ""

    def cmd_menu(self, name, role):
        def read():
            context = GLib.MainContext.default()
            while context.iteration(False):
                pass
            for menu in self.menus:
                if menu.name == name:
                    names = [c.name for c in menu if c is not None and c.getRoleName() == role]
                    return "|".join(names) if names else None
            return None
        return self.poll(f"no menu named {name!r} with a {role}", read)

    def cmd_named(self, window_name, role, name, wanted):
        node = self.control(window_name, role, name)
        self.poll(f"{role} {name!r} is not named {wanted!r}", lambda: node.name == wanted)
        return ""

    def cmd_focused(self, window_name, role, name):
        def focused():
            node = self.find_control(self.window(window_name), role, name)
            return node is not None and node.getState().contains(pyatspi.STATE_FOCUSED)
        self.poll(f"{role} {name!r} of {window_name!r} did not take the focus", focused)
        return ""

    def cmd_do(self, window_name, role, name, action):
        node = self.control(window_name, role, name)
        self.poll(f"{role} {name!r} offers no {action!r}", lambda: action in actions_of(node))
        node.queryAction().doAction(actions_of(node).index(action))
        return ""

    def cmd_settext(self, window_name, role, name, text):
        node = self.control(window_name, role, name)
        node.queryEditableText().setTextContents(text)
        self.poll("the text did not take", lambda: node.queryText().getText(0, -1) == text)
        return ""

    def cmd_where(self, window_name, role, name):
        extents = self.control(window_name, role, name).queryComponent().getExtents(
            pyatspi.DESKTOP_COORDS)
        return f"{extents.x} {extents.y} {extents.width} {extents.height}"

    def cmd_shows(self, window_name, role, name, text):
        node = self.control(window_name, role, name)
        try:
            self.poll("", lambda: node.queryText().getText(0, -1) == text)
        except TimeoutError:
            shown = node.queryText().getText(0, -1)
            raise AssertionError(f"{role} {name!r} of {window_name!r} shows {shown!r}, "
                                 f"not {text!r} after {LIMIT:g}s") from None
        return ""

    def cmd_check(self, window_name):
        window = self.window(window_name)
        if window.getRoleName() != "frame":
            raise AssertionError(f"{window_name!r} is a {window.getRoleName()}, not a frame")
        expected = expected_controls(window_name)
        found = [c for c in window if c is not None]
        if len(found) != len(expected):
            raise AssertionError(f"{window_name!r} has {len(found)} controls, "
                                 f"expected {len(expected)}")
        for k, (control, want) in enumerate(zip(found, expected)):
            role, name, actions = control.getRoleName(), control.name, set(actions_of(control))
            label = label_of(control)
            want_role, want_name, want_actions = want[:3]
            want_label = want[3] if len(want) > 3 else label
            if (role != want_role or not matches(control, want_name)
                    or not want_actions <= actions or label != want_label):
                raise AssertionError(
                    f"control {k} of {window_name!r} is {role} {name!r} {sorted(actions)} "
                    f"labelled {label!r}; expected {want_role} {want_name!r} with "
                    f"{sorted(want_actions)} labelled {want_label!r}")
        return f"{len(found)} controls"


def main():
    reader = Reader()
    for line in sys.stdin:
        words = shlex.split(line)
        if not words:
            continue
        try:
            value = getattr(reader, "cmd_" + words[0])(*words[1:])
            answer = f"ok {value}".rstrip()
        except Exception as error:  # every failure goes back to the script as one line
            answer = f"fail {type(error).__name__}: {error}".replace("\n", " ")
        print(answer, flush=True)


if __name__ == "__main__":
    main()
