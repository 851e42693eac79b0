# Every source follows the checked-in .clang-format.
set -euo pipefail
bash "$CV_ROOT/scripts/check-format.sh"
echo "ok - all sources formatted as .clang-format says"
