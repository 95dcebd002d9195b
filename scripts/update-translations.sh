#!/usr/bin/env bash
# Brings resources/translations/*.ts up to date with the texts in the sources (tr() and the
# .ui files): new texts come in unfinished, texts gone from the sources are dropped. Then
# fill in the new ones (Qt Linguist, or by hand: each <translation type="unfinished">).
# The build turns the .ts files into the .qm files built into the program.
# No line numbers are kept, so that editing a source does not change the .ts files.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=/usr/lib/qt5/bin/lupdate
[ -x "$lupdate" ] || { echo "$lupdate is missing: scripts/setup.sh installs it (qttools5-dev-tools)" >&2; exit 1; }
for ts in resources/translations/norvane_*.ts; do
  language=$(basename "$ts" .ts)
  language=${language#norvane_}
  "$lupdate" -silent -locations none -no-obsolete -extensions cpp,h,ui \
    -source-language zh_CN -target-language "$language" app console kit helpers -ts "$ts"
  echo "$ts: $(grep -c '<translation type="unfinished"' "$ts" || true) unfinished"
done
