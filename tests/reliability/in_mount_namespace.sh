#!/bin/sh
# Runs a test program in a mount namespace of its own, so that whatever it mounts is gone when
# it ends, whatever way it ends. Exits 77 (skipped) where no such namespace can be made.
if ! unshare --mount --propagation private true 2>/dev/null; then
    echo "no private mount namespace here (unshare needs CAP_SYS_ADMIN): skipped"
    exit 77
fi
exec unshare --mount --propagation private "$@"
