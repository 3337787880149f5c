"""Reads the running window the way a screen reader does: through the AT-SPI accessibility tree.

Finds the window, presses 检索(S) through its accessible action, then reads the grid named
检索结果, the label named 状态 and the fair-dice line (its χ² and p). Then it toggles 仅检索该期前
on the 验证指定期 tab through its accessible action, as a screen reader or voice control does,
and checks that the range end follows the box. Exits 0 when all of it can be read back."""
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
    if rows <= 0:
        return 1
    fairness = find(app, lambda n: n.name == "公平骰子比较" and "χ²" in (n.description or ""))
    if fairness is None or "p " not in fairness.description:
        print("the fair-dice line is not readable")
        return 1
    print(f"公平骰子比较: {fairness.description}")

    tab = find(app, lambda n: n.getRoleName() == "page tab" and n.name == "验证指定期")
    end = find(app, lambda n: n.name == "检索结束期号")
    issue = find(app, lambda n: n.name == "验证期号")
    if tab is None or end is None or issue is None:
        print("the verify tab, its issue or the range end is not in the tree")
        return 1
    tab.queryAction().doAction(0)
    check = find(app, lambda n: n.getRoleName() == "check box" and n.name == "仅检索该期前")
    if check is None:
        print("no 仅检索该期前 check box")
        return 1
    def text(node):
        t = node.queryText()
        return t.getText(0, t.characterCount)
    issue.queryEditableText().setTextContents("130731005")
    wanted = text(issue)
    before = text(end)
    check.queryAction().doAction(0)  # "Toggle", without a mouse click
    deadline = time.time() + 10
    while time.time() < deadline and text(end) == before:
        time.sleep(0.2)
    after = text(end)
    print(f"仅检索该期前 toggled: range end {before} -> {after} (issue {wanted})")
    return 0 if after != before and int(after) < int(wanted) else 1


if __name__ == "__main__":
    sys.exit(main())
