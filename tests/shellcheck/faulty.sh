#!/bin/sh
# A script with one fault of the kind shellcheck warns of: a variable set and never used.
unused=1
echo ok
