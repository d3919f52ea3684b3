#!/usr/bin/env bash
# Opens the driver package and checks what the host and the equipment library
# rely on: both documents valid, every listed DLL present, each DLL built for
# the architecture the manifest claims, and the version in each DLL's version
# resource equal to the one the driver list announces.
#   check_package.sh ZIP WINDRES SCHEMA_DIR EXPECTED_NAME
set -euo pipefail
zip=$1 windres=$2 schemas=$3 expected_name=$4
[ -f "$zip" ] || { echo "no package at $zip: run scripts/build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
fail() { echo "FAIL: $*" >&2; status=1; }
status=0

# Both documents at the top level, nothing in sub-folders.
for document in MANIFEST.XML INFO.XML; do
  [ -f "$work/$document" ] || { echo "FAIL: $document missing" >&2; exit 1; }
done
if unzip -Z1 "$zip" | grep -q /; then fail "members in sub-folders: $(unzip -Z1 "$zip" | grep /)"; fi
xmllint --noout --schema "$schemas/manifest.xsd" "$work/MANIFEST.XML" || fail "MANIFEST.XML does not match its schema"
xmllint --noout --schema "$schemas/info.xsd" "$work/INFO.XML" || fail "INFO.XML does not match its schema"
# A schema that accepts anything would let the checks above pass unseen.
sed 's/arch="x86_64"/arch="ia64"/' "$work/MANIFEST.XML" > "$work/bad.xml"
if xmllint --noout --schema "$schemas/manifest.xsd" "$work/bad.xml" 2>/dev/null; then fail "the manifest schema accepts an unknown arch"; fi

name=$(xmllint --xpath 'string(/drivers/component/@name)' "$work/INFO.XML")
version=$(xmllint --xpath 'string(/drivers/component/@version)' "$work/INFO.XML")
[ "$name" = "$expected_name" ] || fail "INFO.XML names the driver '$name', expected '$expected_name'"

machine_of() {  # the PE header's machine field, as 0x… hex
  local pe
  pe=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  [ "$(od -An -c -j "$pe" -N 2 "$1" | tr -d ' ')" = PE ] || { echo none; return; }
  printf '0x%x' "$(od -An -t u2 -j $((pe + 4)) -N 2 "$1" | tr -d ' ')"
}

# The ELF header's class and machine fields, as 0x… hex: 64-bit x86_64 is 2 and 0x3e.
elf_machine_of() {
  [ "$(od -An -c -N 4 "$1" | tr -d ' ')" = 177ELF ] || { echo none; return; }
  [ "$(od -An -t u1 -j 4 -N 1 "$1" | tr -d ' ')" = 2 ] || { echo 32-bit; return; }
  printf '0x%x' "$(od -An -t u2 -j 18 -N 2 "$1" | tr -d ' ')"
}

count=$(xmllint --xpath 'count(//*[local-name()="component"])' "$work/MANIFEST.XML")
[ "$count" -eq 3 ] || fail "the manifest lists $count components, expected 3"
for i in $(seq 1 "$count"); do
  path=$(xmllint --xpath "string((//*[local-name()='component'])[$i]/@path)" "$work/MANIFEST.XML")
  arch=$(xmllint --xpath "string((//*[local-name()='component'])[$i]/@arch)" "$work/MANIFEST.XML")
  dll=$work/$path
  [ -f "$dll" ] || { fail "$path is listed but not in the package"; continue; }
  os=$(xmllint --xpath "string((//*[local-name()='component'])[$i]/@os)" "$work/MANIFEST.XML")
  if [ "$os" = Linux ]; then
    case $arch in x86_64) want=0x3e ;; *) want=unknown ;; esac
    got=$(elf_machine_of "$dll")
    [ "$got" = "$want" ] || fail "$path: machine $got, but the manifest says $arch ($want)"
    # The version is compiled in, where DriverVersion and the log header read it.
    grep -qaF "$version" "$dll" || fail "$path: no version '$version' inside, INFO.XML says '$version'"
    echo "$path: Linux $arch, machine $got, version $version inside"
    continue
  fi
  case $arch in i386) want=0x14c ;; x86_64) want=0x8664 ;; *) want=unknown ;; esac
  got=$(machine_of "$dll")
  [ "$got" = "$want" ] || fail "$path: machine $got, but the manifest says $arch ($want)"
  file_version=$("$windres" -i "$dll" -O rc 2>/dev/null | sed -n 's/^ *FILEVERSION *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3.\4/p' | head -n 1)
  [ "$file_version" = "$version" ] || fail "$path: file version '$file_version', INFO.XML says '$version'"
  echo "$path: $arch, machine $got, version $file_version"
done
exit $status
