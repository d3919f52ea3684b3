#!/usr/bin/env bash
# The rendered help page in a real browser engine: headless Chromium loads
# md.html, a checking page reads its headings and compares every declaration
# of the stylesheet's element rules with what the page computes, and a
# screenshot of the page is kept as help.png beside it.
#   check_in_chromium.sh RENDER_HELP CHROMIUM OUTPUT_DIR HELP_MD
set -euo pipefail
render_help=$1
chromium=$2
out=$3
source_md=$4

rm -rf "$out"
"$render_help" "$out"
[ -f "$out/md.html" ] || { echo "no md.html rendered" >&2; exit 1; }
[ "$(cat "$out/caption.txt")" = "Справка" ] || { echo "caption: $(cat "$out/caption.txt")" >&2; exit 1; }
css=$(sed -n 's/.*<link href="\([^"]*\)" rel="stylesheet">.*/\1/p' "$out/md.html")
[ -n "$css" ] && [ -f "$out/$css" ] || { echo "the page links no stylesheet beside it" >&2; exit 1; }

# The checking page: loads md.html in a frame (file pages may read each
# other with --allow-file-access-from-files) and writes its findings into
# the element "result", which --dump-dom hands back.
cat > "$out/check.html" <<'HTML'
<!DOCTYPE html>
<html><body>
<pre id="result">pending</pre>
<iframe id="page" src="md.html" width="900" height="700"></iframe>
<script>
document.getElementById('page').onload = function () {
  var out = [];
  try {
    var doc = this.contentDocument, view = doc.defaultView;
    doc.querySelectorAll('h1, h2').forEach(function (h) {
      out.push('HEADING ' + h.tagName + ' ' + h.textContent);
    });
    out.push('SHEETS ' + doc.styleSheets.length);
    var sheet = doc.styleSheets[0];
    out.push('SHEET ' + sheet.href.split('/').pop());
    // A probe in this page with a rule's declarations inline computes what
    // the rule asks for; the page's element must compute the same.
    ['body', 'h1', 'h2'].forEach(function (selector) {
      var rule = Array.prototype.find.call(sheet.cssRules, function (r) { return r.selectorText === selector; });
      if (!rule) { out.push('STYLE ' + selector + ' NO-RULE'); return; }
      var element = doc.querySelector(selector);
      if (!element) { out.push('STYLE ' + selector + ' NO-ELEMENT'); return; }
      var probe = document.createElement('div');
      probe.style.cssText = rule.style.cssText;
      document.body.appendChild(probe);
      var probeStyle = getComputedStyle(probe), pageStyle = view.getComputedStyle(element);
      var bad = [];
      for (var i = 0; i < rule.style.length; i++) {
        var name = rule.style[i];
        var want = probeStyle.getPropertyValue(name), got = pageStyle.getPropertyValue(name);
        if (want !== got) bad.push(name + ' page=' + got + ' rule=' + want);
      }
      out.push('STYLE ' + selector + (bad.length ? ' MISMATCH ' + bad.join('; ') : ' OK ' + rule.style.length));
      probe.remove();
    });
  } catch (e) {
    out.push('ERROR ' + e);
  }
  document.getElementById('result').textContent = out.join('\n');
};
</script>
</body></html>
HTML

profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
browse() {
  HOME="$profile" timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --disable-background-networking \
    --no-first-run --user-data-dir="$profile/data" --allow-file-access-from-files "$@" 2>"$profile/stderr" ||
    { cat "$profile/stderr" >&2; return 1; }
}

browse --virtual-time-budget=10000 --dump-dom "file://$out/check.html" > "$out/check.dom"
result=$(sed -n '/<pre id="result">/,/<\/pre>/p' "$out/check.dom" | sed -e 's/.*<pre id="result">//' -e 's/<\/pre>.*//')
echo "$result"

status=0
fail() { echo "FAIL: $*" >&2; status=1; }

# The headings as the document writes them, in order.
expected=$(sed -n -e 's/^# \(.*\)$/HEADING H1 \1/p' -e 's/^## \(.*\)$/HEADING H2 \1/p' "$source_md")
actual=$(grep '^HEADING ' <<<"$result" || true)
[ -n "$expected" ] || fail "no headings in $source_md"
[ "$actual" = "$expected" ] || fail "headings differ: expected [$expected], browser [$actual]"
grep -qx 'SHEETS 1' <<<"$result" || fail "the page does not have one stylesheet"
grep -qx "SHEET $css" <<<"$result" || fail "the stylesheet is not $css"
for selector in body h1 h2; do
  grep -Eq "^STYLE $selector OK [1-9]" <<<"$result" || fail "the rule for $selector is not applied"
done
grep -q '^ERROR' <<<"$result" && fail "the checking page failed"

browse --window-size=900,600 --screenshot="$out/help.png" "file://$out/md.html" >/dev/null
[ "$(head -c 8 "$out/help.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "no PNG screenshot"
# The heading's rule draws a line in its own colour: the stylesheet is in the picture.
if command -v convert >/dev/null; then
  rule_colour=$(sed -n '/^h1 {/,/^}/s/.*border-bottom:.*#\([0-9a-fA-F]\{6\}\).*/\1/p' "$out/$css" | tr 'a-f' 'A-F')
  if [ -n "$rule_colour" ]; then
    histogram=$(convert "$out/help.png" -format %c histogram:info:-)
    grep -q "#$rule_colour" <<<"$histogram" ||
      fail "the screenshot has no pixel of the heading's line colour #$rule_colour"
  fi
fi
echo "screenshot: $out/help.png"
exit $status
