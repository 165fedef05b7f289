#!/usr/bin/env bash
# Fills a fresh Wine prefix ($WINEPREFIX) for the Windows tests, on the
# display $DISPLAY: the prefix itself; windows whose frames Wine draws
# itself, since no window manager runs (hiding a window then does not wait
# for one); and Windows 10, the system of most workstations, which tells a
# program its own version only when the program's manifest declares it.
set -e
wine wineboot --init
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f
wineserver -w
