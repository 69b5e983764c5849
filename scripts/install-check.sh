#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and checks what a desktop needs: the desktop
# file, the AppStream metadata, the MIME package, and the installed programs running from there.
# Usage: scripts/install-check.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
PREFIX=$(mktemp -d)
trap 'rm -rf "$PREFIX"' EXIT
APP_ID=io.github.vistrel.Vistrel

cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null
for f in bin/vistrel bin/vistrel-cli share/vistrel/LangDLLs/LangRsRu.qm share/vistrel/LangDLLs/LangRsEn.qm \
         share/vistrel/LogoADC.bmp share/applications/$APP_ID.desktop share/mime/packages/vistrel.xml \
         share/metainfo/$APP_ID.metainfo.xml share/icons/hicolor/scalable/apps/$APP_ID.svg \
         share/icons/hicolor/48x48/apps/$APP_ID.png share/icons/hicolor/128x128/apps/$APP_ID.png \
         share/icons/hicolor/256x256/apps/$APP_ID.png share/man/man1/vistrel.1.gz share/man/man1/vistrel-cli.1.gz; do
  [ -e "$PREFIX/$f" ] || { echo "install-check: missing $f" >&2; exit 1; }
done

desktop-file-validate "$PREFIX/share/applications/$APP_ID.desktop"
appstreamcli validate --no-net "$PREFIX/share/metainfo/$APP_ID.metainfo.xml" >/dev/null
xmllint --noout "$PREFIX/share/mime/packages/vistrel.xml"
MIME=$(mktemp -d)
trap 'rm -rf "$PREFIX" "$MIME"' EXIT
mkdir -p "$MIME/packages"
cp "$PREFIX/share/mime/packages/vistrel.xml" "$MIME/packages/"
update-mime-database "$MIME" 2>/dev/null
grep -q "application/x-vistrel-kvf:\*.kvf" "$MIME/globs2" || { echo "install-check: *.kvf glob missing" >&2; exit 1; }
grep -q "TORVENFFS" "$MIME/magic" || { echo "install-check: magic missing" >&2; exit 1; }
for page in vistrel vistrel-cli; do
  zcat "$PREFIX/share/man/man1/$page.1.gz" | grep -q '^\.SH NAME' || { echo "install-check: bad man page $page" >&2; exit 1; }
done

# The Python module, when it was built, imports from the prefix's package folder.
if [ -d "$BUILD/python/vistrel" ]; then
  SITE=$(ls -d "$PREFIX"/lib/python3*/dist-packages 2>/dev/null | head -1)
  [ -n "$SITE" ] && [ -e "$SITE/vistrel/__init__.py" ] || { echo "install-check: Python module missing" >&2; exit 1; }
  (cd "$PREFIX" && PYTHONPATH="$SITE" /usr/bin/python3 -c "import vistrel, vistrel.dask; assert vistrel.open.__doc__")
fi

# The installed programs run from the prefix, away from the build tree.
(cd "$PREFIX" && ./bin/vistrel --version | grep -q "^vistrel ")
(cd "$PREFIX" && ./bin/vistrel-cli --help | grep -q "save-channels")
# The installed language modules are found from bin/../share (no LangDLLs beside the program):
# a short offscreen run logs "DLL load OK".
[ ! -e "$PREFIX/bin/LangDLLs" ]
RUN=$(mktemp -d)
trap 'rm -rf "$PREFIX" "$MIME" "$RUN"' EXIT
(cd "$RUN" && QT_QPA_PLATFORM=offscreen VISTREL_INSTANCE_TAG="install-check $$" \
  timeout 5 "$PREFIX/bin/vistrel" >/dev/null 2>&1 || true)
grep -q "DLL load OK" "$RUN/Debug.txt" || { echo "install-check: language module not found" >&2; exit 1; }
echo "install-check: OK ($PREFIX)"
