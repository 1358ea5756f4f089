#!/bin/bash
# Whole-process figures for a catalogue ten times the shipped one: the sample sources are
# repeated with fresh numbers (6,040 services), all of them selected, and the services that
# fit the send list are sent through the demo farm.
#
#   tests/benchmarks/tenfold_submit.sh BUILD_DIR [DELAY_MS] [TIMES]
#
# Everything is built in a temporary folder; nothing is left behind or committed.
set -eu

build=${1:?build directory, e.g. build/dev}
delay=${2:-10}
times=${3:-10}
here=$(cd "$(dirname "$0")" && pwd)
sources=$here/../../resources/catalogue
cli=$(cd "$build" && pwd)/pelvaro-cli

work=$(mktemp -d)
farm=
cleanup() {
    [ -n "$farm" ] && kill "$farm" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# Copy k of every row gets k * 10000 added to its key and to the key it refers to; the
# names get " k" appended so that they stay distinct.
mkdir -p "$work/quelle" "$work/home"
awk -v times="$times" '
    NR == 1 { print; next }
    { rows[++n] = $0 }
    END {
        for (k = 0; k < times; ++k)
            for (i = 1; i <= n; ++i) {
                line = rows[i]
                split(line, f, ",")
                rest = substr(line, length(f[1]) + length(f[2]) + 3)
                name = f[2]
                if (k > 0) name = name " " k
                print (f[1] + k * 10000) "," name "," rest
            }
    }' "$sources/dba.csv" > "$work/quelle/dba.csv"
for table in dbc dbd; do
    awk -v times="$times" -F, -v OFS=, '
        NR == 1 { print; next }
        { rows[++n] = $0 }
        END {
            for (k = 0; k < times; ++k)
                for (i = 1; i <= n; ++i) {
                    $0 = rows[i]
                    $1 = $1 + k * 100000
                    $2 = $2 + k * 10000
                    print
                }
        }' "$sources/$table.csv" > "$work/quelle/$table.csv"
done

export XDG_CONFIG_HOME="$work/config"
cat > "$work/site.json" <<'EOF'
{"FirstNameEdit":"Jürgen","LastNameEdit":"Weiß","title_personEdit":"Dr.",
 "mobileEdit":"0170 1","tollfreeEdit":"0800 1","FaxEdit":"030 1","phoneEdit":"030 2",
 "PostcodeEdit":"10115","CityEdit":"Berlin","AddressEdit":"Weg 1",
 "emailEdit":"info@muster.example","CompanyEdit":"Muster & Söhne","productsEdit":"Äpfel",
 "StateEdit":"Berlin","TitleEdit":"Muster Obst","URLEdit":"http://www.muster.example/",
 "DescriptionShortEdit":"Obst","NameVornameWebMasterEdit":"Weiß, Jürgen",
 "WebmasterEmailEdit":"webmaster@muster.example","passwordedit":"geheim123","ageEdit":"42",
 "KeywordsMemo":"obst","DescriptionMemo":"Frisches Obst.","LanguageCombo":16,
 "webtypeCombo":2,"CategoryCombo":20,"countryCombo":80,"GreetingCombo":1,"sexCombo":0}
EOF

run() {
    # label, then the command; prints wall and CPU seconds.
    label=$1
    shift
    /usr/bin/time -f "$label: %e s wall, %U s user, %S s system, %M kB" "$@" \
        > "$work/last.out" 2> "$work/last.err" || {
        cat "$work/last.err" >&2
        exit 1
    }
    tail -n 1 "$work/last.err"
}

home="--home $work/home"
run import "$cli" $home catalogue import "$work/quelle"
"$cli" $home site new "$work/site.sit" --from "$work/site.json" > /dev/null 2>&1
run "select --all" "$cli" $home catalogue select --all
run prepare "$cli" $home prepare "$work/site.sit"
echo "  $(grep -c '^SEND' "$work/last.out") requests prepared"

port=$((20000 + $$ % 20000))
"$cli" demo-server --port "$port" --delay "$delay" > /dev/null 2>&1 &
farm=$!
# The farm is ready once it accepts a connection.
for _ in $(seq 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then break; fi
    sleep 0.05
done
run submit "$cli" $home submit "$work/site.sit" --threads 24 --proxy "127.0.0.1:$port"
echo "  $(grep -c '^+' "$work/last.out") successes, $(grep -c '^-' "$work/last.out") failures"
