"""Reads the window over AT-SPI as a screen reader does and runs the row commands.

Prints one line per finding; exits non-zero with a message on the first thing not found.
Usage: read_rows.py STEP, where STEP is "items" (the item list's rows and their commands),
"item-page" (runs 去看看 on the second row) or "categories" (the category tree, then 展开 on
its first row).
"""

import sys
import time

import pyatspi


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def find(root, wanted, limit=4000):
    """The first accessible under root, breadth first, for which wanted is true."""
    queue = [root]
    seen = 0
    while queue and seen < limit:
        node = queue.pop(0)
        seen += 1
        try:
            if wanted(node):
                return node
            queue.extend(node.getChildAtIndex(i) for i in range(node.childCount))
        except Exception:  # a node that went away while it was read
            continue
    return None


def application():
    for _ in range(200):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name.lower().startswith("quenbo"):
                return app
        time.sleep(0.1)
    fail("no application named quenbo on the accessibility bus")


def view(app, role, name):
    for _ in range(200):
        found = find(app, lambda n: n.getRoleName() == role and n.name == name)
        if found is not None and found.childCount > 0:
            return found
        time.sleep(0.1)
    fail("no %s named %s with rows" % (role, name))


def actions(node):
    action = node.queryAction()
    return {action.getName(i): (i, action.getKeyBinding(i)) for i in range(action.nActions)}


def run(node, name):
    known = actions(node)
    if name not in known:
        fail("%s offers no command %s (it offers %s)" % (node.name, name, ", ".join(known)))
    node.queryAction().doAction(known[name][0])


def main(step):
    app = application()
    if step in ("items", "item-page"):
        items = view(app, "list", "商品列表")
        rows = [items.getChildAtIndex(i) for i in range(items.childCount)]
        if step == "items":
            print("item list: %d rows" % len(rows))
            for row in rows[:3]:
                if row.getRoleName() != "list item" or "，价格 " not in row.name:
                    fail("an item row reads as %r (%s)" % (row.name, row.getRoleName()))
                print("row: " + row.name)
            commands = actions(rows[1])
            print("commands: " + ", ".join(
                "%s (%s)" % (name, key) if key else name
                for name, (_, key) in sorted(commands.items(), key=lambda c: c[1][0])))
        else:
            run(rows[1], "去看看")
            print("ran 去看看 on: " + rows[1].name)
    elif step == "categories":
        tree = view(app, "tree", "商品分类")
        first = tree.getChildAtIndex(0)
        before = tree.childCount
        print("category tree: %d rows, the first reads %r" % (before, first.name))
        run(first, "展开")
        for _ in range(300):
            if tree.childCount > before:
                break
            time.sleep(0.1)
        else:
            fail("展开 on %s added no rows" % first.name)
        print("after 展开: %d rows, the next reads %r" % (tree.childCount,
                                                          tree.getChildAtIndex(1).name))
    else:
        fail("unknown step " + step)


if __name__ == "__main__":
    main(sys.argv[1])
