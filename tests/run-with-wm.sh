#!/bin/sh
# Runs a test program on an X server of its own (xvfb-run) with the openbox window manager; the test
# itself waits until the manager is up.
exec xvfb-run -a -s "-screen 0 1024x768x24" \
    sh -c 'openbox --sm-disable >/dev/null 2>&1 & exec "$@"' sh "$@"
