// The report page driven in the installed chromium as a person uses it: a
// time window dragged on the graph, a legend toggle, a table row clicked, the
// graph's field switched, the map zoomed, the table exported. Every expected
// number is worked out here from `eventscan run --format csv`, the log's own
// lines and the home's property and KPI files, not from the page.
// Usage: node report_page_test.js EVENTSCAN HOME OUT_DIR [CAPTURE]
// Exits 77 (skipped) where chromium or puppeteer-core is missing.
'use strict';
const fs = require('fs');
const path = require('path');
const {execFileSync} = require('child_process');

const SKIP = 77;
const [eventscan, home, outDir, givenCapture] = process.argv.slice(2);
// Where the real captures are kept, when not beside the tree.
const capture = process.env.EVENTMANAGER_CAPTURES && givenCapture
  ? path.join(process.env.EVENTMANAGER_CAPTURES, path.basename(givenCapture)) : givenCapture;
const chromium = process.env.EVENTSCAN_CHROMIUM || '/usr/bin/chromium';
if (!fs.existsSync(chromium)) {
  console.log('SKIP: chromium is not installed (apt-get install chromium)');
  process.exit(SKIP);
}
let puppeteer;
try {
  puppeteer = require(path.join(__dirname, 'node_modules', 'puppeteer-core'));
} catch (e) {
  console.log('SKIP: puppeteer-core is not installed (./run.sh test installs it into tests/browser/node_modules)');
  process.exit(SKIP);
}

let failures = 0, checks = 0;
function check(ok, what) {
  ++checks;
  if (!ok) {
    ++failures;
    console.log('FAILED: ' + what);
  }
}
function same(a, b, what) { check(a === b, what + ': got ' + JSON.stringify(a) + ', expected ' + JSON.stringify(b)); }

function csvFields(line) {
  const out = [''];
  let quoted = false;
  for (let i = 0; i < line.length; ++i) {
    const c = line[i];
    if (quoted) {
      if (c === '"' && line[i + 1] === '"') { out[out.length - 1] += '"'; ++i; }
      else if (c === '"') quoted = false;
      else out[out.length - 1] += c;
    } else if (c === '"') quoted = true;
    else if (c === ',') out.push('');
    else out[out.length - 1] += c;
  }
  return out;
}

// "2026-03-14 10:00:01.250" (or with a T) -> milliseconds
function ms(text) {
  const m = /(\d+)-(\d+)-(\d+)[ T](\d+):(\d+):(\d+)(?:\.(\d+))?/.exec(text);
  return Date.UTC(+m[1], +m[2] - 1, +m[3], +m[4], +m[5], +m[6]) + Math.round(Number('0.' + (m[7] || '0')) * 1000);
}

// (list element, event name) -> {map, graph, display}, read from the properties file.
function readProperties(file) {
  const text = fs.readFileSync(file, 'latin1');
  const props = new Map();
  const stack = [];
  for (const m of text.matchAll(/<(\/?)([A-Za-z0-9_-]+)([^>]*?)(\/?)>/g)) {
    const [, close, tag, attrs, selfClose] = m;
    if (close) { stack.pop(); continue; }
    const name = /EventName="([^"]*)"/.exec(attrs);
    if (name) {
      const flag = (a) => { const v = new RegExp(a + '="([^"]*)"').exec(attrs); return !v || /^(true|1)$/i.test(v[1]); };
      props.set(stack[stack.length - 1] + '|' + name[1], {map: flag('DrawInMap'), graph: flag('DrawInGraph'), display: flag('Display')});
    }
    if (!selfClose) stack.push(tag);
  }
  return props;
}
function propertyOf(props, row) {
  const list = row.kind === 'test' ? 'Test' : row.network + (row.kind === 'gate' ? '-Warning' : '-Message');
  return props.get(list + '|' + row.event) || {map: true, graph: true, display: true};
}

// Failure names: the KPI file's failure lists and names that say so.
function failureNames(file) {
  const names = new Set();
  for (const m of fs.readFileSync(file, 'utf8').matchAll(/^failure\s*=\s*(.*)$/gm))
    for (const n of m[1].split(',')) names.add(n.trim().toLowerCase());
  return (name) => names.has(name.toLowerCase()) || /fail|drop|reject|block/i.test(name);
}

function readLog(file) {
  const lines = fs.readFileSync(file, 'utf8').split('\n').filter((l) => l.trim());
  const records = lines.slice(1).map((l) => JSON.parse(l));
  const fields = new Set();
  let placed = false;
  for (const r of records) {
    for (const k of Object.keys(r.fields || {})) if (k !== 'Latitude' && k !== 'Longitude') fields.add(k);
    const f = r.fields || {};
    placed = placed || (f.Latitude !== undefined && f.Longitude !== undefined && (f.Latitude !== 0 || f.Longitude !== 0));
    r.placed = placed;  // a position at or before this record
  }
  return {records, fields};
}

function run(args) {
  return execFileSync(eventscan, args, {env: Object.assign({}, process.env, {EVENTMANAGER_SPEECH: '0'}), stdio: ['ignore', 'pipe', 'pipe']});
}

async function ready(page, file) {
  await page.goto('file://' + file);
  await page.waitForSelector('body[data-ready="true"]', {timeout: 10000});
}
const state = (page) => page.evaluate(() => window.eventscanReport.state());

async function download(page, client, dir) {
  fs.rmSync(dir, {recursive: true, force: true});
  fs.mkdirSync(dir, {recursive: true});
  await client.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: dir, eventsEnabled: true});
  const done = new Promise((resolve) => client.on('Browser.downloadProgress', (e) => { if (e.state === 'completed') resolve(); }));
  await page.click('#export');
  await done;
  const files = fs.readdirSync(dir).filter((f) => f.endsWith('.csv'));
  return files.length === 1 ? fs.readFileSync(path.join(dir, files[0]), 'utf8') : null;
}

async function logPage(browser, name, log) {
  console.log('== ' + name);
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.setViewport({width: 1280, height: 1000});
  const client = await page.createCDPSession();
  const html = path.join(outDir, name + '.html'), csvFile = path.join(outDir, name + '.csv');
  run(['report', log, '--home', home, '-o', html]);
  run(['run', log, '--home', home, '--format', 'csv', '--output', csvFile]);
  const csvText = fs.readFileSync(csvFile, 'utf8');
  const csvLines = csvText.split('\n').filter((l) => l);
  const props = readProperties(path.join(home, 'EventsProperty.cfg'));
  const isFailure = failureNames(path.join(home, 'Kpis.cfg'));
  const {records, fields} = log.endsWith('.jsonl') ? readLog(log) : {records: null, fields: null};
  const rows = csvLines.slice(1).map((line) => {
    const f = csvFields(line);
    const row = {line, record: +f[0], time: ms(f[1]), event: f[2], kind: f[3], network: f[4], details: f[5]};
    row.prop = propertyOf(props, row);
    return row;
  }).filter((r) => r.prop.display);

  await ready(page, html);
  let s = await state(page);
  const start = ms(s.start);
  const seconds = (r) => r.time - start;  // milliseconds from the page's start
  same(s.rows, rows.length, name + ': table rows of the whole log');
  if (records) {
    same(JSON.stringify([...s.fields].sort()), JSON.stringify([...fields].sort()), name + ': the graph offers the log\'s fields');
    const mapped = rows.filter((r) => r.prop.map);
    same(s.markers, mapped.filter((r) => records[r.record].placed).length, name + ': map markers of the whole log');
    same(s.nowhere, mapped.filter((r) => !records[r.record].placed).length, name + ': events before the first position');
  }
  await page.screenshot({path: path.join(outDir, name + '-summary.png'), fullPage: true});

  // A time window dragged across the middle of the graph.
  const graph = await page.$('#graph-canvas');
  await graph.scrollIntoView();
  const g = await graph.boundingBox();
  const k = g.width / await page.$eval('#graph-canvas', (c) => c.width);  // CSS pixels per canvas pixel
  const plotW = g.width - (s.plot.left + s.plot.right) * k;
  const x0 = g.x + s.plot.left * k + plotW * 0.3, x1 = g.x + s.plot.left * k + plotW * 0.65, y = g.y + g.height / 2;
  await page.mouse.move(x0, y);
  await page.mouse.down();
  await page.mouse.move((x0 + x1) / 2, y, {steps: 4});
  await page.mouse.move(x1, y, {steps: 4});
  await page.mouse.up();
  s = await state(page);
  check(s.window && s.window[0] > 0 && s.window[1] < s.span && s.window[0] < s.window[1], name + ': a window was chosen: ' + JSON.stringify(s.window));
  const inside = rows.filter((r) => seconds(r) >= Math.round(s.window[0] * 1000) && seconds(r) <= Math.round(s.window[1] * 1000));
  same(s.rows, inside.length, name + ': table rows in the window');
  same(await page.$eval('#shown', (e) => e.textContent), inside.length + ' of ' + rows.length + ' events', name + ': the count shown');
  const mappedInside = inside.filter((r) => r.prop.map);
  same(s.markers + s.nowhere, mappedInside.length, name + ': map markers in the window');
  if (records) same(s.markers, mappedInside.filter((r) => records[r.record].placed).length, name + ': placed markers in the window');
  // The filtered table exported: the run's own lines of those rows.
  const windowCsv = await download(page, client, path.join(outDir, name + '-download'));
  same(windowCsv, csvLines[0] + '\n' + inside.map((r) => r.line + '\n').join(''), name + ': exported CSV of the window');
  await page.screenshot({path: path.join(outDir, name + '-window.png'), fullPage: false});

  // An event toggled off in the legend: its markers leave the map and the graph.
  const counts = new Map();
  for (const r of mappedInside) counts.set(r.event, (counts.get(r.event) || 0) + 1);
  const [event, n] = [...counts.entries()].sort((a, b) => b[1] - a[1])[0] || [null, 0];
  if (event) {
    const before = s;
    const box = await page.$('#legend input[data-event="' + event.replace(/"/g, '\\"') + '"]');
    await box.click();
    s = await state(page);
    same(before.markers + before.nowhere - s.markers - s.nowhere, n, name + ': markers of ' + event + ' toggled off');
    check(s.graphMarkers < before.graphMarkers, name + ': graph markers of ' + event + ' toggled off');
    same(s.rows, before.rows, name + ': the toggle leaves the table');
    await box.click();
  }

  // A table row clicked: its result is ringed on the map and marked on the graph.
  const target = inside.find((r) => r.prop.map && (!records || records[r.record].placed));
  if (target) {
    const at = inside.indexOf(target);
    await page.$eval('#table', (t, top) => { t.scrollTop = top; }, at * 22);
    await page.waitForSelector('#table-body .row [data-index]');
    const handle = await page.evaluateHandle((rec, time) => [...document.querySelectorAll('#table-body .row')].find(
      (r) => r.children[0].textContent === rec && r.children[1].textContent === time), String(target.record), csvFields(target.line)[1]);
    const rowBox = await handle.asElement().boundingBox();
    check(rowBox !== null, name + ': the row to click is drawn');
    await handle.asElement().click();
    s = await state(page);
    const clicked = await page.evaluate((rec, time) => {
      const r = [...document.querySelectorAll('#table-body .row')].find(
        (x) => x.children[0].textContent === rec && x.children[1].textContent === time);
      return r ? {index: Number(r.children[0].getAttribute('data-index')), cls: r.className} : {index: -2, cls: ''};
    }, String(target.record), csvFields(target.line)[1]);
    same(s.selected, clicked.index, name + ': the clicked row is selected');
    check(/selected/.test(clicked.cls), name + ': the clicked row is highlighted');
    check(s.highlighted && s.highlighted.index === clicked.index, name + ': its marker is highlighted on the map');
    const ring = await page.evaluate((h) => {
      // The darkest pixel across the ring's stroke, right of the marker.
      const c = document.getElementById('map-canvas').getContext('2d').getImageData(Math.round(h.x + 9), Math.round(h.y), 5, 1).data;
      let best = [255, 255, 255];
      for (let i = 0; i < c.length; i += 4) if (c[i] + c[i + 1] + c[i + 2] < best[0] + best[1] + best[2]) best = [c[i], c[i + 1], c[i + 2]];
      return best;
    }, s.highlighted || {x: 0, y: 0});
    check(ring[0] < 80 && ring[1] < 80 && ring[2] < 80, name + ': a dark ring around the marker: ' + ring);
    const mapTop = await page.$eval('#explore', (e) => e.getBoundingClientRect().top);
    check(Math.abs(mapTop) < 5, name + ': the page scrolled to the map (top ' + mapTop + ')');
  }

  // The graph's field switched; a second field on the right axis.
  const options = await page.$$eval('#field-left option', (o) => o.map((x) => x.value));
  if (options.length > 1) {
    const before = s.left;
    const other = options.find((v) => v !== String(s.fields.indexOf(before)));
    await page.select('#field-left', other);
    await page.select('#field-right', String(s.fields.indexOf(before)));
    s = await state(page);
    same(s.left, s.fields[Number(other)], name + ': the left axis field');
    same(s.right, before, name + ': the right axis field');
    same(await page.$eval('#graph-canvas', (c) => c.getAttribute('data-field')), s.left, name + ': the graph draws the field');
  }

  // The map zoomed with the wheel around its centre.
  const map = await page.$('#map-canvas');
  await map.scrollIntoView();
  const mb = await map.boundingBox();
  const before = await state(page);
  const scale = before.mapScale;
  // Around the highlighted marker where there is one, so that the picture shows it.
  const h = before.highlighted, mk = mb.width / await page.$eval('#map-canvas', (c) => c.width);
  await page.mouse.move(h ? mb.x + h.x * mk : mb.x + mb.width / 2, h ? mb.y + h.y * mk : mb.y + mb.height / 2);
  for (let i = 0; i < 4; ++i) await page.mouse.wheel({deltaY: -100});
  s = await state(page);
  check(s.mapScale > scale * 2, name + ': the map zoomed in (' + scale + ' -> ' + s.mapScale + ')');
  if (h) {
    const w = mb.width / mk, hh = mb.height / mk, x = s.highlighted.x, y = s.highlighted.y;
    check(x >= 0 && x <= w && y >= 0 && y <= hh, name + ': zoomed around it, the highlighted marker stays in view');
  }
  if (h) {
    // Hovering the highlighted marker names its event, time, record and details.
    const cur = s.highlighted;
    await page.mouse.move(mb.x + cur.x * mk + 1, mb.y + cur.y * mk);
    const tipText = await page.$eval('#tip', (t) => (t.style.display === 'block' ? t.textContent : ''));
    const f = csvFields(target.line);
    check(tipText.includes(target.event) && tipText.includes(f[1]) && tipText.includes('record ' + target.record) &&
          tipText.includes(f[5].split(' | ')[0]), name + ': the tooltip of the marker: ' + JSON.stringify(tipText));
  }
  await map.screenshot({path: path.join(outDir, name + '-zoomed-map.png')});

  // Failures: one drill-down each, with the messages of the 10 s before in order.
  const failed = rows.filter((r) => isFailure(r.event));
  same(await page.$$eval('details.failure', (d) => d.length), Math.min(failed.length, 500), name + ': failure drill-downs');
  if (failed.length && records) {
    const f = failed[0];
    const msgs = records.map((r, i) => ({i, t: ms(r.time), name: r.msg, kind: r.kind}))
      .filter((r) => r.kind === 'message' && r.i <= f.record && r.t >= f.time - 10000 && r.t <= f.time).map((r) => r.name);
    const shownMsgs = await page.$$eval('details.failure:first-of-type ol.messages li', (l) => l.map((x) => x.lastChild.textContent.trim()));
    same(JSON.stringify(shownMsgs), JSON.stringify(msgs.length ? msgs : ['no message in the 10 s before']), name + ': messages before ' + f.event);
    const el = await page.$('#failures');
    await el.scrollIntoView();
    await el.screenshot({path: path.join(outDir, name + '-drill-down.png')});
  }

  // Reset: the whole log again, and its export is the run's CSV as it is.
  await page.click('#reset');
  s = await state(page);
  same(s.window, null, name + ': reset clears the window');
  same(s.rows, rows.length, name + ': reset shows every row');
  same(await download(page, client, path.join(outDir, name + '-download')), csvText, name + ': exported CSV of the whole log');
  same(errors.join('\n'), '', name + ': script errors');
  await page.close();
}

async function cellsOfLog(browser, name, log, cellOf, serving) {
  // Per-cell statistics from the log's lines: the last cell named, its samples.
  const {records} = readLog(log);
  const cells = new Map();
  let cell = null;
  for (const r of records) {
    const f = r.fields || {};
    const named = cellOf(f);
    if (named) cell = named;
    if (!cell || f[serving] === undefined) continue;
    const c = cells.get(cell) || {n: 0, sum: 0, worst: Infinity};
    c.n += 1; c.sum += f[serving]; c.worst = Math.min(c.worst, f[serving]);
    cells.set(cell, c);
  }
  const page = await browser.newPage();
  await ready(page, path.join(outDir, name + '.html'));
  const table = await page.$$eval('table.cells tr[data-cell]', (rs) => rs.map((r) => [...r.children].map((c) => c.textContent)));
  same(table.length, cells.size, name + ': serving cells');
  for (const [key, c] of cells) {
    const rowOf = table.find((r) => r[1] === key);
    check(rowOf !== undefined, name + ': a row for ' + key);
    if (!rowOf) continue;
    same(+rowOf[2], c.n, name + ': samples of ' + key);
    same(rowOf[3], (c.sum / c.n).toFixed(1), name + ': mean of ' + key);
    same(rowOf[4], c.worst.toFixed(1), name + ': worst of ' + key);
  }
  await page.close();
}

// The route's colour bins come from the KPI file: changed there, changed on the page.
async function binsFromKpiFile(browser) {
  console.log('== bins');
  const copy = path.join(outDir, 'home-bins');
  fs.rmSync(copy, {recursive: true, force: true});
  fs.cpSync(home, copy, {recursive: true});
  const kpis = path.join(copy, 'Kpis.cfg');
  const text = fs.readFileSync(kpis, 'utf8');
  const changed = text.replace(/(field = RSCP\s*\nbins = )[^\n]*/, '$1-110, -90');
  check(changed !== text, 'bins: the RSCP distribution is in the KPI file');
  fs.writeFileSync(kpis, changed);
  const html = path.join(outDir, 'umts-bins.html');
  execFileSync(eventscan, ['report', path.join(copy, 'logs', 'umts.jsonl'), '--home', copy, '-o', html],
               {env: Object.assign({}, process.env, {EVENTMANAGER_SPEECH: '0'}), stdio: ['ignore', 'pipe', 'pipe']});
  const page = await browser.newPage();
  await ready(page, html);
  const legend = await page.$eval('#bins', (b) => b.textContent);
  check(legend.includes('< -110') && legend.includes('-110 to -90') && legend.includes('>= -90') && !legend.includes('-105'),
        'bins: the legend follows the KPI file: ' + legend);
  await page.close();
}

async function capturePage(browser) {
  console.log('== capture');
  const html = path.join(outDir, 'capture.html'), csvFile = path.join(outDir, 'capture.csv');
  run(['report', capture, '--home', home, '-o', html]);
  run(['run', capture, '--home', home, '--format', 'csv', '--output', csvFile]);
  const csvText = fs.readFileSync(csvFile, 'utf8');
  const nets = new Set(csvText.split('\n').slice(1).filter((l) => l).map((l) => csvFields(l)[4]));
  const page = await browser.newPage();
  await page.setViewport({width: 1280, height: 1000});
  const client = await page.createCDPSession();
  await ready(page, html);
  const facts = await page.$eval('.facts', (e) => e.textContent);
  for (const n of nets) check(facts.includes(n + ' ('), 'capture: the facts name ' + n + ': ' + facts);
  same(await page.$eval('.table-head span', (e) => e.textContent), 'frame', 'capture: the table shows frames');
  same(await download(page, client, path.join(outDir, 'capture-download')), csvText, 'capture: exported CSV (frame numbers, networks)');
  await page.screenshot({path: path.join(outDir, 'capture-summary.png'), fullPage: true});
  await page.close();
}

(async () => {
  fs.mkdirSync(outDir, {recursive: true});
  const profile = fs.mkdtempSync(path.join(outDir, 'profile-'));
  const browser = await puppeteer.launch({
    executablePath: chromium, headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--user-data-dir=' + profile]});
  try {
    for (const name of ['gsm', 'umts', 'cdma', 'tdscdma']) await logPage(browser, name, path.join(home, 'logs', name + '.jsonl'));
    await cellsOfLog(browser, 'gsm', path.join(home, 'logs', 'gsm.jsonl'),
      (f) => f.BCCH === undefined ? null : 'BCCH ' + f.BCCH + (f.BSIC === undefined ? '' : ' / BSIC ' + f.BSIC), 'RxLevSub');
    await cellsOfLog(browser, 'umts', path.join(home, 'logs', 'umts.jsonl'),
      (f) => f.PSC === undefined ? null : (f.UARFCN === undefined ? '' : 'UARFCN ' + f.UARFCN + ' / ') + 'PSC ' + f.PSC, 'RSCP');
    await binsFromKpiFile(browser);
    if (capture && fs.existsSync(capture)) await capturePage(browser);
    else console.log('capture not found beside the tree: its page is not checked');
  } finally {
    await browser.close();
    fs.rmSync(profile, {recursive: true, force: true});
  }
  console.log(checks - failures + ' passed, ' + failures + ' failed');
  process.exit(failures ? 1 : 0);
})().catch((e) => { console.log('FAILED: ' + (e.stack || e)); process.exit(1); });
