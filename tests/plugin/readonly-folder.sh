#!/usr/bin/env bash
# Prepares (or removes) a plug-in folder in which no file can be created, as under Program Files:
#   readonly-folder.sh setup DIR PLUGIN.8bf
#   readonly-folder.sh cleanup DIR
# As root only the immutable attribute keeps files out; elsewhere the write permission does.
# When neither works here, DIR/unprotected tells the test to skip.
set -u
action=$1 dir=$2
unprotect() { chattr -i "$dir" 2>/dev/null; chmod u+w "$dir" 2>/dev/null; }
case "$action" in
  setup)
    [ -d "$dir" ] && unprotect
    rm -rf "$dir" && mkdir -p "$dir" && cp "$3" "$dir/Lumbra.8bf" || exit 1
    chattr +i "$dir" 2>/dev/null || chmod a-w "$dir"
    if touch "$dir/.probe" 2>/dev/null; then
      rm -f "$dir/.probe"
      unprotect
      touch "$dir/unprotected"
      echo "readonly-folder: this machine cannot make $dir read-only for this user" >&2
    fi
    ;;
  cleanup)
    unprotect
    rm -rf "$dir"
    ;;
  *) echo "usage: readonly-folder.sh setup DIR PLUGIN | cleanup DIR" >&2; exit 2 ;;
esac
