#!/usr/bin/env bash
# Builds the gallery of setup's dialogs in docs/gallery/ from the screenshots the GUI tests
# of the Windows build save (build/windows/tests/artifacts/*.bmp): each is converted to PNG
# with ImageMagick, and docs/gallery/index.md shows them all, with the caption of
# docs/dialogs.md when it names the screenshot. The gallery is not committed (it holds
# binaries and changes with every run of the tests); run the GUI tests first:
#
#   cd build/windows && ctest -R 'bench|progress_dialog|setup_e2e|download|message_box|shell_exec'
#   scripts/make-dialog-gallery.sh [ARTIFACTS]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ARTIFACTS=${1:-$ROOT/build/windows/tests/artifacts}
GALLERY="$ROOT/docs/gallery"

shopt -s nullglob
shots=("$ARTIFACTS"/*.bmp)
if [ ${#shots[@]} -eq 0 ]; then
  echo "make-dialog-gallery: no screenshots in $ARTIFACTS; run the GUI tests of the Windows build first" >&2
  exit 1
fi
rm -rf "$GALLERY" && mkdir -p "$GALLERY"
{
  echo "# Gallery of the dialogs"
  echo
  echo "Screenshots of the GUI tests of the Windows build under Wine, made by"
  echo "\`scripts/make-dialog-gallery.sh\` on $(date -u +%Y-%m-%d)."
  echo
  for shot in "${shots[@]}"; do
    name=$(basename "$shot" .bmp)
    convert "$shot" "$GALLERY/$name.png"
    # The caption is the text after "| \`name\` |" in the table of docs/dialogs.md.
    caption=$(sed -n "s/^| \`$name\` | \(.*\) |\$/\1/p" "$ROOT/docs/dialogs.md")
    echo "## $name"
    echo
    [ -n "$caption" ] && { echo "$caption"; echo; }
    echo "![$name]($name.png)"
    echo
  done
} >"$GALLERY/index.md"
echo "make-dialog-gallery: ${#shots[@]} screenshots in $GALLERY (open index.md)"
