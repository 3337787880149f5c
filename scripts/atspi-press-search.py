"""Reads the running window the way a screen reader does: through the AT-SPI accessibility tree.

Finds the window, presses 检索(S) through its accessible action, then reads the grid named
检索结果 and the label named 状态. Exits 0 when the search's outcome can be read back."""
import sys
import time

import pyatspi


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)


def find(root, test, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        for node in walk(root):
            try:
                if test(node):
                    return node
            except Exception:
                pass
        time.sleep(0.3)
    return None


def main():
    desktop = pyatspi.Registry.getDesktop(0)
    app = find(desktop, lambda n: n.getRoleName() == "application" and "vendrix" in (n.name or "").lower(), 30)
    if app is None:
        print("the window is not in the accessibility tree")
        return 1
    button = find(app, lambda n: n.getRoleName() == "push button" and (n.name or "").startswith("检索"))
    if button is None:
        print("no 检索 button")
        return 1
    button.queryAction().doAction(0)
    results = find(app, lambda n: n.name == "检索结果")
    status = find(app, lambda n: n.name == "状态" and (n.description or "").startswith("找到"))
    if results is None or status is None:
        print("检索结果 or 状态 not readable")
        return 1
    rows = results.queryTable().nRows
    print(f"检索结果: {rows} rows; 状态: {status.description}")
    return 0 if rows > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
