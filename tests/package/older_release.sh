# An earlier release to upgrade from, sourced by the package checks: this
# tree with the top CMakeLists.txt's version lowered, packaged by its own
# scripts/package into build/older-release. Built once per state of the tree.
# older_release → OLDER_VERSION, OLDER_DIST (its dist folder).
OLDER_VERSION=2.33.9.0
older_release() {
  local tree=$PWD/build/older-release stamp
  OLDER_DIST=$tree/src/dist
  stamp=$( (git rev-parse HEAD; git diff HEAD) 2>/dev/null | sha1sum)
  [ -f "$tree/stamp" ] && [ "$(cat "$tree/stamp")" == "$stamp" ] && return 0
  local newest
  newest=$(printf '%s\n%s\n' "$OLDER_VERSION" "$(sed -n 's/^project(velquin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" | sort -V | tail -n 1)
  if [ "$newest" == "$OLDER_VERSION" ]; then
    echo "older_release: $OLDER_VERSION is not older than this release" >&2
    return 1
  fi
  rm -rf "$tree"
  mkdir -p "$tree/src"
  git ls-files -z --cached --others --exclude-standard | tar --null -T - --ignore-failed-read -cf - 2>/dev/null |
    tar -xf - -C "$tree/src"
  sed -i "s/^project(velquin VERSION [0-9.]*/project(velquin VERSION $OLDER_VERSION/" "$tree/src/CMakeLists.txt"
  (cd "$tree/src" && scripts/package >"$tree/package.log" 2>&1) || { cat "$tree/package.log" >&2; return 1; }
  echo "$stamp" >"$tree/stamp"
}
