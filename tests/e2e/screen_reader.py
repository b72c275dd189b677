"""What a screen reader finds of the viewer on the accessibility bus, through pyatspi as
Orca reads it. Run by Debian's python3, which has pyatspi:
  tree           the viewer's application and what it holds, as JSON
  click          invokes the click action of the viewer's OK button
  events         prints, one JSON line each, the window activations and focus
                 changes that make a screen reader speak, after a line "ready"
"""
import json
import sys

import pyatspi

NAME = 'Trackball Viewer'


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    return next((app for app in desktop if app is not None and app.name == NAME), None)


def describe(node):
    states = node.getState()
    return {
        'role': node.getRoleName(), 'name': node.name,
        'states': sorted(pyatspi.stateToString(s) for s in states.getStates()),
        'actions': [node.queryAction().getName(i) for i in range(node.queryAction().nActions)]
                   if 'Action' in pyatspi.listInterfaces(node) else [],
        'children': [describe(child) for child in node if child is not None],
    }


def find(node, role):
    if node.getRoleName() == role:
        return node
    return next((f for f in (find(c, role) for c in node if c is not None) if f), None)


def main(command):
    if command == 'tree':
        app = application()
        print(json.dumps(describe(app) if app else None))
    elif command == 'click':
        find(application(), 'push button').queryAction().doAction(0)
    elif command == 'events':
        def heard(event):
            print(json.dumps([event.type, event.source.getRoleName(), event.source.name,
                              event.detail1]), flush=True)
        pyatspi.Registry.registerEventListener(heard, 'window:activate',
                                               'object:state-changed:focused')
        print('ready', flush=True)
        pyatspi.Registry.start()


if __name__ == '__main__':
    main(sys.argv[1])
