// The report page driven in the installed chromium as a person uses it, at
// 1400x900: map, chart and table on the first screen; a time window dragged
// on the chart (the table, the map and the KPI table follow, and the KPIs are
// those `eventscan kpi --from/--to` prints for the window); legend toggles,
// all and none; a row clicked and a marker clicked selecting each other, a
// chart tick clicked; the chart's field switched, the map zoomed, the table
// exported; a street map from a tile server; a capture without positions; the
// page without its libraries. Every expected number is worked out here from
// `eventscan run --format csv`, `eventscan kpi`, the log's own lines and the
// home's property and KPI files, not from the page.
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

// "2026-03-14 10:00:01.250" of milliseconds since 1970, the log's times read as UTC.
function timeOfMs(t) {
  const d = new Date(t), p = (n, w) => String(n).padStart(w || 2, '0');
  return d.getUTCFullYear() + '-' + p(d.getUTCMonth() + 1) + '-' + p(d.getUTCDate()) + ' ' + p(d.getUTCHours()) + ':' +
         p(d.getUTCMinutes()) + ':' + p(d.getUTCSeconds()) + '.' + p(d.getUTCMilliseconds(), 3);
}

// The page's KPI table, as its rows' data attributes give it.
const pageKpis = (page) => page.$$eval('table.kpi tr[data-kpi]', (rows) => rows.map((r) => {
  const o = {};
  for (const a of r.attributes) if (a.name.startsWith('data-')) o[a.name.slice(5)] = a.value;
  o.notes = [...r.querySelectorAll('td.def small.note')].map((n) => n.textContent);
  return o;
}));

// The page's KPIs against `eventscan kpi --format json` over the same window.
function sameKpis(shownKpis, expected, what) {
  same(shownKpis.length, expected.length, what + ': KPI rows');
  const close = (a, b) => (a === '' && b === null) || (b !== null && a !== '' && Math.abs(Number(a) - b) <= 1e-9 * Math.max(1, Math.abs(b)));
  expected.forEach((k, i) => {
    const p = shownKpis[i] || {};
    const label = what + ': ' + k.name;
    same(p.kpi, k.name, label + ' (its row)');
    same(JSON.stringify(p.notes), JSON.stringify(k.notes || []), label + ' notes');
    if (k.kind === 'ratio') {
      same(p.numerator + '/' + p.denominator, k.numerator + '/' + k.denominator, label);
    } else if (k.kind === 'statistics') {
      same(Number(p.count), k.count, label + ' count');
      for (const f of ['mean', 'median', 'p90', 'max']) check(close(p[f], k[f]), label + ' ' + f + ': got ' + p[f] + ', expected ' + k[f]);
    } else if (k.kind === 'count') {
      same(Number(p.count), k.value, label);
    } else {
      same(Number(p.count), k.samples, label + ' samples');
      if (p.bins !== undefined) same(p.bins, k.bins.map((b) => b.count).join(','), label + ' bins');
    }
  });
}

async function logPage(browser, name, log, options) {
  console.log('== ' + name);
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.setViewport({width: 1400, height: 900});
  const client = await page.createCDPSession();
  const html = path.join(outDir, name + '.html'), csvFile = path.join(outDir, name + '.csv');
  run(['report', log, '--home', home, '-o', html].concat(options && options.tiles ? ['--tiles', options.tiles] : []));
  run(['run', log, '--home', home, '--format', 'csv', '--output', csvFile]);
  if (options && options.tiles) await serveTiles(page);
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
  same(JSON.stringify(s.missing), '[]', name + ': the page has its map and chart libraries');
  if (records) {
    same(JSON.stringify([...s.fields].sort()), JSON.stringify([...fields].sort()), name + ': the chart offers the log\'s fields');
    const mapped = rows.filter((r) => r.prop.map);
    same(s.markers, mapped.filter((r) => records[r.record].placed).length, name + ': map markers of the whole log');
    same(s.nowhere, mapped.filter((r) => !records[r.record].placed).length, name + ': events before the first position');
  }
  // Map, chart and table on the first screen.
  for (const id of ['#map', '#chart', '#table']) {
    const box = await page.$eval(id, (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; });
    check(box[2] - box[0] > 200 && box[3] - box[1] > 100 && box[0] >= 0 && box[1] >= 0 && box[2] <= 1400 && box[3] <= 900,
          name + ': ' + id + ' is on the first screen at 1400x900: ' + box.map(Math.round));
  }
  await page.screenshot({path: path.join(outDir, name + '-screen.png')});
  if (options && options.tiles) {
    await page.waitForFunction(() => window.eventscanReport.state().tiles > 0, {timeout: 10000}).catch(() => {});
    check((await state(page)).tiles > 0, name + ': street map tiles are drawn under the route');
    await page.screenshot({path: path.join(outDir, name + '-tiles.png')});
  }

  // A time window dragged across the middle of the chart.
  const zoomBefore = s.mapZoom;
  const plot = await page.evaluate(() => window.eventscanReport.chartPlot());
  const x0 = plot.x + plot.width * 0.3, x1 = plot.x + plot.width * 0.65, y = plot.y + plot.height / 2;
  await page.mouse.move(x0, y);
  await page.mouse.down();
  await page.mouse.move((x0 + x1) / 2, y, {steps: 4});
  await page.mouse.move(x1, y, {steps: 4});
  await page.mouse.up();
  await page.waitForFunction(() => document.body.getAttribute('data-window'), {timeout: 5000}).catch(() => {});
  s = await state(page);
  check(s.window && s.window[0] > 0 && s.window[1] < s.span && s.window[0] < s.window[1], name + ': a window was chosen: ' + JSON.stringify(s.window));
  if (!s.window) { await page.close(); return; }
  const from = Math.round(s.window[0] * 1000), to = Math.round(s.window[1] * 1000);
  const inside = rows.filter((r) => seconds(r) >= from && seconds(r) <= to);
  same(s.rows, inside.length, name + ': table rows in the window');
  same(await page.$eval('#shown', (e) => e.textContent), inside.length + ' of ' + rows.length + ' events', name + ': the count shown');
  const mappedInside = inside.filter((r) => r.prop.map);
  same(s.markers + s.nowhere, mappedInside.length, name + ': map markers in the window');
  if (records) same(s.markers, mappedInside.filter((r) => records[r.record].placed).length, name + ': placed markers in the window');
  // The KPIs of the window are those `eventscan kpi --from/--to` gives.
  const kpiJson = JSON.parse(run(['kpi', log, '--home', home, '--format', 'json', '--from', timeOfMs(start + from),
                                  '--to', timeOfMs(start + to)]).toString());
  sameKpis(await pageKpis(page), kpiJson, name + ': KPIs of the window');
  check((await page.$eval('#kpi-window', (e) => e.textContent)).includes(timeOfMs(start + from)), name + ': the KPI table names its window');
  // The map is fitted to the window: every marker of the window is in view.
  if (s.hasMap) {
    check(s.mapZoom >= zoomBefore, name + ': the map zoomed to the window (' + zoomBefore + ' -> ' + s.mapZoom + ')');
    const placedInside = await page.evaluate((win) => {
      const r = window.eventscanReport, st = r.state(), b = st.mapBounds;
      let n = 0, out = 0;
      for (const i of r.visibleRows()) {
        const p = r.positionOf(i);
        if (!p) continue;
        ++n;
        if (p[0] < b[0][0] || p[0] > b[1][0] || p[1] < b[0][1] || p[1] > b[1][1]) ++out;
      }
      return [n, out];
    });
    same(placedInside[1], 0, name + ': of ' + placedInside[0] + ' placed rows of the window, outside the fitted map');
  }
  // The filtered table exported: the run's own lines of those rows.
  const windowCsv = await download(page, client, path.join(outDir, name + '-download'));
  same(windowCsv, csvLines[0] + '\n' + inside.map((r) => r.line + '\n').join(''), name + ': exported CSV of the window');
  await page.screenshot({path: path.join(outDir, name + '-window.png')});
  await (await page.$('#summary')).screenshot({path: path.join(outDir, name + '-window-kpis.png')});

  // The legend: an event toggled off leaves the map, the chart and the table;
  // none empties them, all brings everything back.
  const counts = new Map();
  for (const r of mappedInside) counts.set(r.event, (counts.get(r.event) || 0) + 1);
  const [event, n] = [...counts.entries()].sort((a, b) => b[1] - a[1])[0] || [null, 0];
  if (event) {
    const before = s;
    const box = await page.$('#legend input[data-event="' + event.replace(/"/g, '\\"') + '"]');
    await box.click();
    await page.evaluate(() => new Promise((r) => setTimeout(r, 0)));
    s = await state(page);
    same(before.markers + before.nowhere - s.markers - s.nowhere, n, name + ': markers of ' + event + ' toggled off');
    check(s.graphMarkers < before.graphMarkers, name + ': chart ticks of ' + event + ' toggled off');
    same(s.rows, before.rows - inside.filter((r) => r.event === event).length, name + ': rows of ' + event + ' toggled off');
    await box.click();
    await page.click('#legend-none');
    await page.evaluate(() => new Promise((r) => setTimeout(r, 0)));
    s = await state(page);
    same([s.rows, s.markers, s.nowhere, s.graphMarkers].join(','), '0,0,0,0', name + ': legend none empties table, map and chart');
    await page.click('#legend-all');
    await page.evaluate(() => new Promise((r) => setTimeout(r, 0)));
    s = await state(page);
    same([s.rows, s.markers + s.nowhere].join(','), [before.rows, before.markers + before.nowhere].join(','), name + ': legend all brings them back');
  }

  // A table row clicked: its marker is ringed on the map and its time marked on the chart.
  const target = inside.find((r) => r.prop.map && r.prop.graph && (!records || records[r.record].placed));
  if (target && s.hasMap) {
    const at = inside.indexOf(target);
    await page.$eval('#table', (t, top) => { t.scrollTop = top; }, at * 20);
    await page.waitForSelector('#table-body .row [data-index]');
    const handle = await page.evaluateHandle((rec, time) => [...document.querySelectorAll('#table-body .row')].find(
      (r) => r.children[0].textContent === rec && r.children[1].textContent === time), String(target.record), csvFields(target.line)[1]);
    await handle.asElement().click();
    s = await state(page);
    const clicked = await page.evaluate((rec, time) => {
      const r = [...document.querySelectorAll('#table-body .row')].find(
        (x) => x.children[0].textContent === rec && x.children[1].textContent === time);
      return r ? {index: Number(r.children[0].getAttribute('data-index')), cls: r.className} : {index: -2, cls: ''};
    }, String(target.record), csvFields(target.line)[1]);
    same(s.selected, clicked.index, name + ': the clicked row is selected');
    check(/selected/.test(clicked.cls), name + ': the clicked row is highlighted');
    const ringAt = await page.evaluate(() => {
      const e = document.querySelector('.ev-selected'), m = document.getElementById('map').getBoundingClientRect();
      if (!e) return null;
      const r = e.getBoundingClientRect();
      return {x: r.left + r.width / 2 - m.left, y: r.top + r.height / 2 - m.top};
    });
    check(ringAt && s.highlighted && Math.abs(ringAt.x - s.highlighted.x) < 2 && Math.abs(ringAt.y - s.highlighted.y) < 2,
          name + ': a ring on its marker: ' + JSON.stringify([ringAt, s.highlighted]));
    check(await page.evaluate((i) => window.eventscanReport.tickOf(i) !== null, s.selected), name + ': its time is on the chart');
    await page.screenshot({path: path.join(outDir, name + '-row-selected.png')});

    // A marker clicked: its row is selected and scrolled into view. Where
    // the markers crowd into clusters, a cluster is clicked to open it first.
    const inMap = (x, y, m) => x > m.left + 30 && x < m.right - 60 && y > m.top + 30 && y < m.bottom - 30;
    const drawn = () => page.evaluate(() => ({m: document.getElementById('map').getBoundingClientRect().toJSON(),
                                              markers: window.eventscanReport.mapMarkers()}));
    const single = async (sel) => {
      const d = await drawn();
      const lone = d.markers.find((k) => k.events.length === 1 && k.events[0] !== sel && inMap(k.x, k.y, d.m));
      return lone ? {i: lone.events[0], x: lone.x, y: lone.y} : null;
    };
    let other = await single(s.selected);
    for (let tries = 0; !other && tries < 4; ++tries) {
      const d = await drawn();
      const crowd = d.markers.find((k) => k.events.length > 1 && inMap(k.x, k.y, d.m));
      if (!crowd) break;
      const zoom = (await state(page)).mapZoom;
      await page.mouse.click(crowd.x, crowd.y);  // a crowd clicked zooms in to its events
      const s2 = await state(page);
      check(s2.mapZoom > zoom || s2.mapZoom === 19, name + ': a crowd of ' + crowd.events.length + ' clicked zooms in');
      await page.evaluate(() => new Promise((r) => requestAnimationFrame(r)));
      other = await single(s.selected);
    }
    check(other !== null, name + ': a single marker to click');
    if (other) {
      await page.mouse.click(other.x, other.y);
      s = await state(page);
      same(s.selected, other.i, name + ': the clicked marker selects its event');
      const rowShown = await page.evaluate((i) => {
        const cell = document.querySelector('#table-body [data-index="' + i + '"]');
        if (!cell) return null;
        const row = cell.parentNode.getBoundingClientRect(), t = document.getElementById('table').getBoundingClientRect();
        return {cls: cell.parentNode.className, inView: row.top >= t.top && row.bottom <= t.bottom};
      }, other.i);
      check(rowShown && /selected/.test(rowShown.cls) && rowShown.inView, name + ': its row is selected and in view: ' + JSON.stringify(rowShown));
    }
    // An event tick on the chart clicked: its row is selected.
    const tick = await page.evaluate((sel) => {
      const r = window.eventscanReport;
      for (const i of r.visibleRows()) { const t = r.tickOf(i); if (t && i !== sel) return {i, x: t.x, y: t.y}; }
      return null;
    }, s.selected);
    if (tick) {
      await page.mouse.click(tick.x, tick.y);
      s = await state(page);
      const selectedTime = await page.evaluate((i) => window.eventscanReport.tickOf(i), s.selected);
      check(selectedTime && Math.abs(selectedTime.x - tick.x) < 7, name + ': the chart tick clicked selects an event at its time');
      check(await page.$eval('#table-body .row.selected', (r) => !!r).catch(() => false), name + ': the tick\'s row is selected');
    }
  }

  // The chart's field switched; a second field on the right axis.
  const options2 = await page.$$eval('#field-left option', (o) => o.map((x) => x.value));
  if (options2.length > 1) {
    const before = s.left;
    const other = options2.find((v) => v !== String(s.fields.indexOf(before)));
    await page.select('#field-left', other);
    await page.select('#field-right', String(s.fields.indexOf(before)));
    s = await state(page);
    same(s.left, s.fields[Number(other)], name + ': the left axis field');
    same(s.right, before, name + ': the right axis field');
    same(await page.$eval('#chart .uplot', (c) => c.getAttribute('data-field')), s.left, name + ': the chart draws the field');
    check(s.window !== null, name + ': the window stays when the field changes');
  }

  // The map zoomed with the wheel (out where it is at its last zoom already).
  if (s.hasMap) {
    const mb = await (await page.$('#map')).boundingBox();
    const before = s.mapZoom, inward = before < 18;
    await page.mouse.move(mb.x + mb.width / 2, mb.y + mb.height / 2);
    await page.mouse.wheel({deltaY: inward ? -300 : 300});
    await page.waitForFunction((z, inward) => (window.eventscanReport.state().mapZoom - z) * (inward ? 1 : -1) > 0,
                               {timeout: 3000}, before, inward).catch(() => {});
    s = await state(page);
    check((s.mapZoom - before) * (inward ? 1 : -1) > 0, name + ': the map zoomed (' + before + ' -> ' + s.mapZoom + ')');
    await page.screenshot({path: path.join(outDir, name + '-zoomed.png')});
  }

  // Failures: one drill-down each, with the messages of the 10 s before in order.
  const failed = rows.filter((r) => isFailure(r.event));
  same(await page.$$eval('details.failure', (d) => d.length), Math.min(failed.length, 500), name + ': failure drill-downs');
  if (failed.length && records) {
    const f = failed[0];
    const msgs = records.map((r, i) => ({i, t: ms(r.time), name: r.msg, kind: r.kind}))
      .filter((r) => r.kind === 'message' && r.i <= f.record && r.t >= f.time - 10000 && r.t <= f.time).map((r) => r.name);
    const shownMsgs = await page.$$eval('details.failure:first-of-type ol.messages li', (l) => l.map((x) => x.lastChild.textContent.trim()));
    same(JSON.stringify(shownMsgs), JSON.stringify(msgs.length ? msgs : ['no message in the 10 s before']), name + ': messages before ' + f.event);
  }

  // The whole log again: every row, the KPIs as `eventscan kpi` gives them, the run's CSV.
  await page.click('#reset');
  await page.waitForFunction(() => !document.body.getAttribute('data-window'), {timeout: 5000}).catch(() => {});
  s = await state(page);
  same(s.window, null, name + ': reset clears the window');
  same(s.rows, rows.length, name + ': reset shows every row');
  sameKpis(await pageKpis(page), JSON.parse(run(['kpi', log, '--home', home, '--format', 'json']).toString()), name + ': KPIs of the whole log');
  same(await download(page, client, path.join(outDir, name + '-download')), csvText, name + ': exported CSV of the whole log');
  await page.screenshot({path: path.join(outDir, name + '-page.png'), fullPage: true});
  same(errors.join('\n'), '', name + ': script errors');
  await page.close();
}

// Tiles of a street map as a tile server would give them, without a network:
// every request to the test's tile host is answered with a drawn tile.
async function serveTiles(page) {
  await page.setRequestInterception(true);
  page.on('request', (req) => {
    const m = /^http:\/\/tiles\.test\/(\d+)\/(\d+)\/(\d+)\.png$/.exec(req.url());
    if (!m) { req.continue(); return; }
    const svg = '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256"><rect width="256" height="256" fill="#efe9dc"/>' +
                '<path d="M0 64H256M0 192H256M96 0V256M224 0V256" stroke="#fff" stroke-width="10"/>' +
                '<rect x="110" y="80" width="100" height="96" fill="#d9d0c0"/><text x="8" y="250" font-size="11" fill="#998">' +
                m[1] + '/' + m[2] + '/' + m[3] + '</text></svg>';
    req.respond({status: 200, contentType: 'image/svg+xml', body: svg});
  });
}

// Without the chart library (an offline build) the page says so, keeps the
// still drawing of the signal and its table; without the map library the
// still route. Never a blank page.
async function withoutLibraries(browser) {
  console.log('== without libraries');
  const html = fs.readFileSync(path.join(outDir, 'gsm.html'), 'utf8');
  const stripped = html.replace(/<script id="chart-library">[\s\S]*?<\/script>/, '<script id="chart-library"></script>')
    .replace(/<script id="map-library">[\s\S]*?<\/script>/, '<script id="map-library"></script>');
  check(stripped.length < html.length - 100000, 'without libraries: both libraries taken out of the page');
  const file = path.join(outDir, 'gsm-without-libraries.html');
  fs.writeFileSync(file, stripped);
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.setViewport({width: 1400, height: 900});
  await ready(page, file);
  const s = await state(page);
  const note = await page.$eval('#missing', (e) => (e.hidden ? '' : e.textContent));
  check(/uPlot/.test(note) && /Leaflet/.test(note), 'without libraries: the page says what it lacks: ' + note);
  check(await page.$eval('#signal', (e) => !e.hidden && e.querySelector('svg') !== null), 'without libraries: the still signal graph');
  check(await page.$eval('#route', (e) => !e.hidden && e.querySelector('svg') !== null), 'without libraries: the still route map');
  check(s.rows > 0, 'without libraries: the table lists the events');
  same(errors.join('\n'), '', 'without libraries: script errors');
  await page.screenshot({path: path.join(outDir, 'gsm-without-libraries.png')});
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
  // A capture has no positions: no map, and the page says why.
  const s = await state(page);
  check(!s.hasMap && await page.$eval('#map', (e) => e.hidden), 'capture: no map is drawn');
  check(/no record of this log carries a position/.test(await page.$eval('#no-map', (e) => (e.hidden ? '' : e.textContent))),
        'capture: the page says why there is no map');
  same(await download(page, client, path.join(outDir, 'capture-download')), csvText, 'capture: exported CSV (frame numbers, networks)');
  // A window on a capture: its times are microseconds, the window's milliseconds.
  sameKpis(await pageKpis(page), JSON.parse(run(['kpi', capture, '--home', home, '--format', 'json']).toString()), 'capture: KPIs');
  const plot = await page.evaluate(() => window.eventscanReport.chartPlot());
  await page.mouse.move(plot.x + plot.width * 0.05, plot.y + plot.height / 2);
  await page.mouse.down();
  await page.mouse.move(plot.x + plot.width * 0.5, plot.y + plot.height / 2, {steps: 4});
  await page.mouse.up();
  await page.waitForFunction(() => document.body.getAttribute('data-window'), {timeout: 5000}).catch(() => {});
  const w = (await state(page)).window, start = ms(s.start);
  check(w !== null, 'capture: a window was chosen');
  if (w) {
    sameKpis(await pageKpis(page), JSON.parse(run(['kpi', capture, '--home', home, '--format', 'json', '--from',
      timeOfMs(start + Math.round(w[0] * 1000)), '--to', timeOfMs(start + Math.round(w[1] * 1000))]).toString()), 'capture: KPIs of the window');
  }
  await page.screenshot({path: path.join(outDir, 'capture-screen.png')});
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
    for (const name of ['gsm', 'umts', 'cdma', 'tdscdma'])
      await logPage(browser, name, path.join(home, 'logs', name + '.jsonl'), name === 'umts' ? {tiles: 'http://tiles.test/{z}/{x}/{y}.png'} : {});
    await withoutLibraries(browser);
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
