#include "status_page.h"

namespace dopplex::headless {

// One file, no outside resources: the board may have no internet, and a phone on its network
// loads it at once. The token in the page's address goes with every request.
const char* const kPageHtml = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Dopplex</title>
<style>
body { font-family: sans-serif; margin: 0; padding: 0.6em; background: #f4f4f6; color: #222; }
h1 { font-size: 1.2em; margin: 0 0 0.4em; }
.card { background: #fff; border-radius: 8px; padding: 0.6em; margin-bottom: 0.6em; }
.row { display: flex; flex-wrap: wrap; gap: 0.6em; }
.side { flex: 1 1 14em; }
.big { font-size: 1.3em; font-variant-numeric: tabular-nums; }
button { font-size: 1.3em; min-height: 2.6em; min-width: 5em; border-radius: 8px;
         border: 1px solid #889; background: #e8e8f0; flex: 1; }
button.stop { background: #c62828; color: #fff; border-color: #8e0000; }
.leds { display: flex; gap: 0.3em; flex-wrap: wrap; }
.led { padding: 0.2em 0.4em; border-radius: 4px; background: #ddd; font-size: 0.85em; }
.led.on { background: #2e7d32; color: #fff; }
#log { font-family: monospace; font-size: 0.8em; white-space: pre-wrap; max-height: 30em;
       overflow-y: auto; }
.muted { color: #667; }
.warn { color: #c62828; font-weight: bold; }
</style>
</head>
<body>
<h1>Dopplex at the radio</h1>
<div class="card">
  <div id="pass" class="big">Waiting for the tracker</div>
  <div id="where" class="muted"></div>
</div>
<div class="row">
  <div class="card side">
    <b>RX</b> (downlink)
    <div>Doppler <span id="rx-doppler" class="big">?</span></div>
    <div>Dial <span id="rx-dial">?</span></div>
    <div>Offset <span id="rx-offset">0</span> Hz <span id="rx-behind" class="warn"></span></div>
    <div id="rx-radio" class="muted"></div>
    <div class="row"><button id="rx-up" onclick="act('nudge?side=rx&dir=up')">RX &#9650;</button>
    <button id="rx-down" onclick="act('nudge?side=rx&dir=down')">RX &#9660;</button></div>
  </div>
  <div class="card side">
    <b>TX</b> (uplink)
    <div>Doppler <span id="tx-doppler" class="big">?</span></div>
    <div>Dial <span id="tx-dial">?</span></div>
    <div>Offset <span id="tx-offset">0</span> Hz <span id="tx-behind" class="warn"></span></div>
    <div id="tx-radio" class="muted"></div>
    <div class="row"><button id="tx-up" onclick="act('nudge?side=tx&dir=up')">TX &#9650;</button>
    <button id="tx-down" onclick="act('nudge?side=tx&dir=down')">TX &#9660;</button></div>
  </div>
</div>
<div class="card row">
  <button id="stop" class="stop" onclick="act('stop')">Stop</button>
  <button id="reset" onclick="act('reset')">Reset</button>
  <button id="clear" onclick="if (confirm('Clear the learnt offsets?')) act('clear-offsets')">Clear offsets</button>
  <div id="refused" class="warn"></div>
</div>
<div class="card">
  <div class="leds" id="leds"></div>
  <div id="port" class="muted"></div>
</div>
<div class="card"><div id="log"></div></div>
<script>
const token = new URLSearchParams(location.search).get('token');
const headers = token ? { 'Authorization': 'Bearer ' + token } : {};
const names = ['RX up', 'RX down', 'RX tuned', 'green', 'TX up', 'TX down', 'TX tuned', 'aux'];
function hz(v) { return v === null ? '?' : (v / 1e6).toFixed(6) + ' MHz'; }
function show(s) {
  const name = s.transponder || 'no transponder yet';
  document.getElementById('pass').textContent =
    name + (s.in_pass ? ' \u2014 in pass' : ' \u2014 not in pass');
  document.getElementById('where').textContent =
    'elevation ' + s.elevation_deg.toFixed(1) + '\u00b0, azimuth ' + s.azimuth_deg.toFixed(1) +
    '\u00b0, ' + s.tracking + ' tracking';
  ['rx', 'tx'].forEach((side, i) => {
    const d = s.sides[i];
    document.getElementById(side + '-doppler').textContent = d.doppler_hz ? hz(d.doppler_hz) : '?';
    document.getElementById(side + '-dial').textContent =
      hz(d.dial_hz) + (d.dial_hz !== null && d.doppler_hz ? ' (' + (d.dial_hz - d.doppler_hz) + ' Hz)' : '');
    document.getElementById(side + '-offset').textContent = d.offset_hz;
    document.getElementById(side + '-behind').textContent =
      d.behind_steps > 0 ? 'behind by ' + d.behind_steps + ' steps' : '';
    document.getElementById(side + '-radio').textContent = d.radio === 'buttons' ? '' :
      d.radio + (d.cat_status ? ': ' + d.cat_status : '') +
      (d.knob_hz ? ', knob ' + (d.knob_hz > 0 ? '+' : '') + d.knob_hz + ' Hz' : '');
  });
  document.getElementById('leds').innerHTML = names.map((n, bit) =>
    '<span class="led' + (s.lines !== null && (s.lines >> bit) & 1 ? ' on' : '') + '">' + n + '</span>').join('');
  document.getElementById('port').textContent =
    'port ' + s.port + ', lines ' + (s.lines === null ? 'unknown' : s.lines) +
    '; engine thread ' + (s.priority || '?') + ', late presses ' + s.late_presses;
  const log = document.getElementById('log');
  log.textContent = s.log.join('\n');
  log.scrollTop = log.scrollHeight;
}
function poll() {
  fetch('status', { headers }).then(r => r.json()).then(show)
    .catch(() => { document.getElementById('pass').textContent = 'dopplexd does not answer'; })
    .finally(() => setTimeout(poll, 1000));
}
function act(what) {
  const refused = document.getElementById('refused');
  fetch(what, { method: 'POST', headers: Object.assign({ 'X-Dopplex': '1' }, headers) })
    .then(r => r.ok ? '' : r.text().then(t => t || 'refused (' + r.status + ')'))
    .catch(() => 'dopplexd does not answer')
    .then(why => { refused.textContent = why; });
}
poll();
</script>
</body>
</html>
)html";

} // namespace dopplex::headless
