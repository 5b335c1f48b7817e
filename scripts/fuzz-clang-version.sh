#!/usr/bin/env bash
# Prints the version of clang the fuzz targets are built with: 16 on Debian 12, whose default
# clang 14 cannot read libstdc++ 12's <expected>; Debian 13's default, 19, on later releases.
. /etc/os-release
if [ "${VERSION_CODENAME:-}" = bookworm ]; then echo 16; else echo 19; fi
