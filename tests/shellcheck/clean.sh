#!/bin/sh
# A script with nothing to fault.
echo "ok"
