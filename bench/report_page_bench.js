// Timing of the report page of a long log in the installed chromium (a
// benchmark, not a test: it prints numbers and judges nothing). Generates a
// log of RECORDS records with loggen, writes its report page and times, each
// the median of REPS:
//   load       from navigation to the page ready (data parsed, map, chart, table drawn)
//   chart zoom a time window dragged on the chart, until the chart, the table,
//              the map's markers and route, the KPI table are redrawn
//   map zoom   one zoom step of the map (no animation), until the markers are clustered anew and painted
//   row click  a table row clicked, until its row, ring and chart line are painted
// Usage: node bench/report_page_bench.js BUILD_DIR [RECORDS=500000] [REPS=5]
// (puppeteer-core from tests/browser/node_modules, which ./run.sh test installs).
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const {execFileSync} = require('child_process');

const [build, recordsArg, repsArg] = process.argv.slice(2);
if (!build) {
  console.error('usage: node bench/report_page_bench.js BUILD_DIR [RECORDS] [REPS]');
  process.exit(2);
}
const records = Number(recordsArg || 500000), reps = Number(repsArg || 5);
const puppeteer = require(path.join(__dirname, '..', 'tests', 'browser', 'node_modules', 'puppeteer-core'));
const bin = path.join(build, 'bin');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'report-bench-'));
const log = path.join(work, 'long.jsonl'), html = path.join(work, 'long.html');

const median = (xs) => { const s = [...xs].sort((a, b) => a - b); return s[Math.floor(s.length / 2)]; };
const frames = 'new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)))';

(async () => {
  execFileSync(path.join(bin, 'loggen'), ['--network', 'UMTS', '--seed', '7', '--records', String(records), '-o', log]);
  let t = Date.now();
  execFileSync(path.join(bin, 'eventscan'), ['report', log, '--home', path.join(bin), '-o', html],
               {env: Object.assign({}, process.env, {EVENTMANAGER_SPEECH: '0'}), stdio: ['ignore', 'ignore', 'inherit']});
  const reportSeconds = (Date.now() - t) / 1000;
  const browser = await puppeteer.launch({executablePath: process.env.EVENTSCAN_CHROMIUM || '/usr/bin/chromium', headless: true,
                                         args: ['--no-sandbox', '--disable-gpu']});
  const times = {load: [], chartZoom: [], mapZoom: [], rowClick: []};
  try {
    for (let r = 0; r < reps; ++r) {
      const page = await browser.newPage();
      await page.setViewport({width: 1400, height: 900});
      t = Date.now();
      await page.goto('file://' + html, {timeout: 120000});
      await page.waitForSelector('body[data-ready="true"]', {timeout: 120000});
      await page.evaluate(frames);
      times.load.push(Date.now() - t);
      const s = await page.evaluate(() => window.eventscanReport.state());

      // A window over a tenth of the log, dragged on the chart.
      const plot = await page.evaluate(() => window.eventscanReport.chartPlot());
      const y = plot.y + plot.height / 2, a = plot.x + plot.width * (0.4 + 0.01 * r), b = a + plot.width * 0.1;
      await page.mouse.move(a, y);
      await page.mouse.down();
      await page.mouse.move(b, y, {steps: 3});
      t = Date.now();
      await page.mouse.up();
      await page.waitForFunction(() => document.body.getAttribute('data-window'), {timeout: 60000});
      await page.evaluate(frames);
      times.chartZoom.push(Date.now() - t);

      // One zoom step of the map, around its centre.
      times.mapZoom.push(await page.evaluate(async () => {
        const m = window.eventscanReportMap;
        const t0 = performance.now();
        m.setZoom(m.getZoom() + 1, {animate: false});
        await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));
        return performance.now() - t0;
      }));

      // A row in the middle of the table clicked.
      await page.$eval('#table', (e) => { e.scrollTop = e.scrollHeight / 2; });
      await page.evaluate(frames);
      const row = await page.$('#table-body .row:nth-child(15)');
      t = Date.now();
      await row.click();
      await page.waitForFunction(() => document.body.getAttribute('data-selected'), {timeout: 60000});
      await page.evaluate(frames);
      times.rowClick.push(Date.now() - t);
      if (r === 0) {
        console.log(`log: ${records} records; page: ${(fs.statSync(html).size / 1e6).toFixed(1)} MB, ${s.rows} events, ` +
                    `written in ${reportSeconds.toFixed(1)} s`);
        await page.screenshot({path: path.join(build, 'screenshots', 'report-bench.png')}).catch(() => {});
      }
      await page.close();
    }
  } finally {
    await browser.close();
  }
  for (const [k, v] of Object.entries(times))
    console.log(`${k.padEnd(10)} median ${median(v).toFixed(0).padStart(6)} ms   (${v.map((x) => x.toFixed(0)).join(', ')})`);
  fs.rmSync(work, {recursive: true, force: true});
})().catch((e) => { console.error(e); process.exit(1); });
