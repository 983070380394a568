#!/usr/bin/env bash
# Checks the Web page shell (cmake/web/shell.html with exit-status.js) and its
# runner (run.sh): builds selftest.c with emcc into a temporary folder and
# runs it through the runner's command forms, checking the output, the exit
# status, the screenshot and the files the program hands out. Ends with
# "N passed, N failed" and fails when a check did.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
run=$here/run.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# emcc's tools need Debian's node modules when the node on PATH is another one.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcc -O1 -sASYNCIFY -sEXIT_RUNTIME=1 -sMINIFY_HTML=0 \
  --shell-file "$root/cmake/web/shell.html" --pre-js "$root/cmake/web/exit-status.js" \
  "$here/selftest.c" -o "$work/prog.html"
# The same program without its page: the runner makes one from the shell.
mkdir "$work/bare"
cp "$work/prog.js" "$work/prog.wasm" "$work/bare/"

passed=0
failed=0
check() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
  fi
}

# Runs the runner in $work/cwd-NAME, keeping its status, standard output
# and standard error in $status, $work/NAME.out and $work/NAME.err.
runner() {
  local name=$1
  shift
  mkdir -p "$work/cwd-$name"
  status=0
  (cd "$work/cwd-$name" && "$run" "$@") > "$work/$name.out" 2> "$work/$name.err" || status=$?
}

same_text() { [ "$(cat "$1")" = "$2" ]; }
contains() { grep -q -- "$2" "$1"; }
lacks() { ! grep -q -- "$2" "$1"; }

# The picture is 320x240 and every pixel is rgb(255, 128, 0), give or take 2.
orange_png() {
  node --input-type=module - "$1" <<'EOF'
import fs from 'node:fs';
import zlib from 'node:zlib';
const png = fs.readFileSync(process.argv[2]);
let width = 0, height = 0, type = 0, depth = 0, interlace = 0;
const idat = [];
for (let at = 8; at < png.length;) {
  const length = png.readUInt32BE(at);
  const kind = png.toString('latin1', at + 4, at + 8);
  const data = png.subarray(at + 8, at + 8 + length);
  if (kind === 'IHDR') {
    width = data.readUInt32BE(0); height = data.readUInt32BE(4);
    depth = data[8]; type = data[9]; interlace = data[12];
  } else if (kind === 'IDAT') idat.push(data);
  at += 12 + length;
}
if (depth !== 8 || interlace !== 0 || (type !== 2 && type !== 6)) throw new Error('unexpected PNG format');
const channels = type === 6 ? 4 : 3;
const raw = zlib.inflateSync(Buffer.concat(idat));
const stride = width * channels;
const rows = [];
let previous = Buffer.alloc(stride);
for (let y = 0; y < height; y++) {
  const filter = raw[y * (stride + 1)];
  const line = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
  for (let i = 0; i < stride; i++) {
    const a = i >= channels ? line[i - channels] : 0;
    const b = previous[i];
    const c = i >= channels ? previous[i - channels] : 0;
    const p = a + b - c;
    const paeth = Math.abs(p - a) <= Math.abs(p - b) && Math.abs(p - a) <= Math.abs(p - c) ? a
      : Math.abs(p - b) <= Math.abs(p - c) ? b : c;
    const predictor = [0, a, b, (a + b) >> 1, paeth][filter];
    line[i] = (line[i] + predictor) & 0xff;
  }
  rows.push(line);
  previous = line;
}
let bad = 0;
for (const line of rows) {
  for (let i = 0; i < stride; i += channels) {
    if (Math.abs(line[i] - 255) > 2 || Math.abs(line[i + 1] - 128) > 2 || Math.abs(line[i + 2]) > 2) bad++;
  }
}
console.log(`${width}x${height}, ${bad} pixels not orange`);
process.exit(width === 320 && height === 240 && bad === 0 ? 0 : 1);
EOF
}

# Arguments with commas, spaces and URL syntax arrive as they were given;
# the host API reaches the program's event callbacks; files come out.
runner args "$work/prog.js" main 'a,b' 'c d' '&x=1#?%+' ''
check "main returns 3" [ "$status" -eq 3 ]
check "arguments survive" same_text <(grep '^arg' "$work/args.out") \
  "$(printf 'arg 1: [a,b]\narg 2: [c d]\narg 3: [&x=1#?%%+]\narg 4: []')"
check "host API checks pass" same_text <(grep -c '^ok: ' "$work/args.out") 11
check "no host API check fails" lacks "$work/args.out" '^FAILED'
check "a rejected oxHost call is reported on standard error" \
  contains "$work/args.err" 'oxHost.key: Unknown key'
check "oxDownload saves the MEMFS file" same_text "$work/cwd-args/out.txt" 'saved from MEMFS'
check "oxHost.saveFile writes the file" same_text "$work/cwd-args/selftest-host.txt" 'host file'

# A page with its arguments in the URL, a screenshot and a file from MEMFS.
runner page --page "$work/prog.html?args=main,x%2Cy" --screenshot "$work/shot.png" \
  --save /out.txt="$work/saved.txt"
check "--page: main returns 3" [ "$status" -eq 3 ]
check "--page: URL arguments are decoded" contains "$work/page.out" '^arg 1: \[x,y\]$'
check "--screenshot shows the cleared canvas" orange_png "$work/shot.png"
check "--save copies the MEMFS file" same_text "$work/saved.txt" 'saved from MEMFS'

# Exit statuses.
runner return "$work/prog.js" return 5
check "main's value after a sleep is the status" [ "$status" -eq 5 ]
runner exit "$work/prog.js" exit 7
check "exit(7) after a sleep gives 7" [ "$status" -eq 7 ]
runner trap "$work/prog.js" trap
check "a trap gives 134" [ "$status" -eq 134 ]
check "a trap's reason goes to standard error" contains "$work/trap.err" 'unreachable'
check "nothing of it goes to standard output" lacks "$work/trap.out" 'unreachable'
runner abort "$work/prog.js" abort
check "abort() gives 134" [ "$status" -eq 134 ]
runner keytrap "$work/prog.js" keytrap
check "a trap in an event callback gives 134" [ "$status" -eq 134 ]
runner reject "$work/prog.js" reject
check "a browser promise's rejection does not end the program" [ "$status" -eq 6 ]
check "... and is reported on standard error" contains "$work/reject.err" 'refused by the browser'
runner bare "$work/bare/prog.js" return 4 'p q'
check "a program without a page runs in the shell" [ "$status" -eq 4 ]
check "... with its arguments" same_text "$work/bare.out" 'arg 1: [4]
arg 2: [p q]'
runner missing "$work/none.js"
check "a missing program gives 1" [ "$status" -eq 1 ]
runner noargs "$work/prog.js"
check "no arguments: the page gets none (main mode, 3)" [ "$status" -eq 3 ]
check "... and prints no argument line" lacks "$work/noargs.out" '^arg'
runner empty "$work/prog.js" ''
check "one empty argument arrives as argv[1] = \"\"" same_text "$work/empty.out" 'unknown mode '

# A program that never ends is stopped at the timeout.
started=$(date +%s)
OX_WEB_TIMEOUT=5 runner hang "$work/prog.js" hang
took=$(($(date +%s) - started))
check "a hang gives 124" [ "$status" -eq 124 ]
check "... within the timeout and the browser's closing (${took} s)" [ "$took" -le 25 ]

# Lines come out while the program runs, not all at its end: ten lines 50 ms
# apart reach the reader over several hundred milliseconds.
mkdir -p "$work/cwd-list"
(cd "$work/cwd-list" && "$run" "$work/prog.js" list 10) 2> "$work/list.err" |
  while IFS= read -r line; do echo "$(date +%s%3N) $line"; done > "$work/list.out"
check "listed lines in order on standard output" same_text <(cut -d' ' -f2- "$work/list.out") \
  "$(printf 'arg 1: [10]\n'; for i in $(seq 0 9); do echo "Line.$i"; done)"
spread=$(($(grep 'Line.9' "$work/list.out" | cut -d' ' -f1) - $(grep 'Line.0' "$work/list.out" | cut -d' ' -f1)))
check "lines stream as they are printed (${spread} ms from first to last)" [ "$spread" -ge 250 ]

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
