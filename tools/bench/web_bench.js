// web_bench.js -- the web page's part of the benchmark, in headless chromium: from opening the page to
// the show's first frame, the whole show's frame rate on the fixed clock beside the native player's
// (each web pass right after a native one, so that both meet the machine's load alike), and the
// player's heap over the show. Adds them to the benchmark's report under the 800x600 size, as "web".
// Usage: node tools/bench/web_bench.js BUILD WEB [--rounds N] [--fps N] [--report FILE]
//        (--rounds 0: the opening of the page alone)
//        (puppeteer-core on NODE_PATH; BUILD holds bin/varnel-bench and demo/, WEB the page)
'use strict';
const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const {serve, launch} = require('../web_page.js');

const kWidth = 800;
const kHeight = 600;

function options(argv) {
  const o = {rounds: 1, fps: 20, report: ''};
  const rest = [];
  for (let i = 0; i < argv.length; ++i) {
    const name = argv[i].replace(/^--/, '');
    if (argv[i].startsWith('--') && name in o) {
      o[name] = typeof o[name] === 'number' ? Number(argv[++i]) : argv[++i];
    } else {
      rest.push(argv[i]);
    }
  }
  if (rest.length !== 2 || !(o.rounds >= 0) || !(o.fps >= 1)) {
    console.error('usage: web_bench.js BUILD WEB [--rounds N] [--fps N] [--report FILE]');
    process.exit(2);
  }
  [o.build, o.web] = rest.map(p => path.resolve(p));
  return o;
}

const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const round = (x, places) => Number(x.toFixed(places));

// The native player's whole-show rate pass, as varnel-bench runs it: its report.
function nativeRate(o) {
  const result = path.join(os.tmpdir(), `varnel-web-bench-${process.pid}.json`);
  childProcess.execFileSync(path.join(o.build, 'bin/varnel-bench'),
                            ['--run', `${kWidth}x${kHeight}`, '--pass', 'rate', '--result', result, '--fps', String(o.fps)],
                            {cwd: path.join(o.build, 'demo'), stdio: 'inherit',
                             env: {...process.env, SDL_VIDEODRIVER: 'offscreen', SDL_AUDIODRIVER: 'dummy'}});
  const report = JSON.parse(fs.readFileSync(result, 'utf8'));
  fs.rmSync(result);
  return report;
}

async function newPage(browser) {
  const page = await browser.newPage();
  await page.setViewport({width: kWidth, height: kHeight});
  page.uncaught = [];
  page.on('pageerror', error => page.uncaught.push(error.message));
  return page;
}

// The page's window.varnelError, or an uncaught error on it, as an exception.
async function checkPage(page) {
  const error = await page.evaluate(() => window.varnelError);
  if (error || page.uncaught.length) throw new Error(error || `uncaught on the page: ${page.uncaught.join('; ')}`);
}

// In a fresh browser: the page opened as a viewer opens it, a key pressed when it asks for one; the
// milliseconds from opening the page to its prompt, and to the show's first frame less the wait for
// the key.
async function firstFrame(base) {
  const browser = await launch();
  try {
    const page = await newPage(browser);
    await page.goto(base);
    await page.waitForFunction(() => window.varnelTimes.prompt || window.varnelError, {timeout: 60000, polling: 10});
    await page.keyboard.press('Space');
    await page.waitForFunction(() => window.varnelTimes.firstFrame || window.varnelError, {timeout: 60000, polling: 10});
    await checkPage(page);
    const times = await page.evaluate(() => window.varnelTimes);
    return {runtime_ms: times.runtime, fetched_ms: times.fetched, prompt_ms: times.prompt,
            first_frame_ms: times.firstFrame - (times.click - times.prompt)};
  } finally {
    await browser.close();
  }
}

// The JavaScript heap in use after a collection, in bytes.
async function scriptHeap(page) {
  const session = await page.createCDPSession();
  await session.send('HeapProfiler.collectGarbage');
  const {usedSize} = await session.send('Runtime.getHeapUsage');
  await session.detach();
  return usedSize;
}

// The whole show on the page's fixed clock, silent, no frame read back: its rate and its heaps.
async function wholeShow(browser, base, fps) {
  const page = await newPage(browser);
  await page.goto(`${base}?capture=${fps}`);
  await page.waitForFunction(() => window.varnelStats.frames > 0 || window.varnelError, {timeout: 60000, polling: 10});
  const scriptAtStart = await scriptHeap(page);
  await page.waitForFunction(() => window.varnelDone || window.varnelError, {timeout: 3600000, polling: 500});
  await checkPage(page);
  const stats = await page.evaluate(() => ({...window.varnelStats, memory: Module.HEAP8.length}));
  const scriptAtEnd = await scriptHeap(page);
  await page.close();
  const seconds = (stats.lastFrame - stats.firstFrame) / 1000;
  return {
    frames: stats.frames,
    render_rate_fps: seconds > 0 ? (stats.frames - 1) / seconds : 0,
    heap_in_use: {first_frame: stats.heap[0], last_second: stats.heap[stats.heap.length - 1],
                  most: Math.max(...stats.heap), samples: stats.heap.length},
    wasm_memory_bytes: stats.memory,
    script_heap: {first_frame: scriptAtStart, end: scriptAtEnd},
  };
}

async function main() {
  const o = options(process.argv.slice(2));
  const server = await serve(o.web);
  const base = `http://127.0.0.1:${server.address().port}/index.html`;
  const web = {renderer: 'chromium, headless, SwiftShader (ANGLE)', fps: o.fps};

  const opened = [];
  for (let i = 0; i < 3; ++i) {
    console.error(`web_bench: opening the page, ${i + 1} of 3`);
    opened.push(await firstFrame(base));
  }
  const seconds = name => round(median(opened.map(t => t[name])) / 1000, 3);
  web.first_frame_s = seconds('first_frame_ms');
  web.code_ready_s = seconds('runtime_ms');
  web.show_fetched_s = seconds('fetched_ms');
  web.prompt_s = seconds('prompt_ms');
  web.first_frame_runs_s = opened.map(t => round(t.first_frame_ms / 1000, 3));

  const browser = await launch();
  const native = [], page = [], ratios = [];
  for (let r = 0; r < o.rounds; ++r) {
    console.error(`web_bench: round ${r + 1} of ${o.rounds}, the native rate pass`);
    native.push(nativeRate(o).render_rate_fps);
    console.error(`web_bench: round ${r + 1} of ${o.rounds}, the page's whole show`);
    const show = await wholeShow(browser, base, o.fps);
    if (r === 0) Object.assign(web, show);
    page.push(show.render_rate_fps);
    ratios.push(native[r] / page[r]);
  }
  await browser.close();
  server.close();
  if (o.rounds > 0) {
    web.rate_rounds = {native_fps: native.map(x => round(x, 2)), web_fps: page.map(x => round(x, 2)),
                       ratios: ratios.map(x => round(x, 2))};
    web.slower_by = round(median(ratios), 2);
    web.heap_growth_bytes = web.heap_in_use.last_second - web.heap_in_use.first_frame;
  }

  if (o.report) {
    const report = fs.existsSync(o.report) ? JSON.parse(fs.readFileSync(o.report, 'utf8')) : {sizes: []};
    let entry = report.sizes.find(s => s.width === kWidth && s.height === kHeight);
    if (!entry) report.sizes.push(entry = {width: kWidth, height: kHeight});
    entry.web = web;
    fs.writeFileSync(o.report, JSON.stringify(report, null, 2) + '\n');
  }
  const mib = bytes => (bytes / 1048576).toFixed(1);
  console.log(`\n| the web page, ${kWidth}×${kHeight}, headless chromium (SwiftShader) | |`);
  console.log('|---|---:|');
  console.log(`| page opened to the player's code ready, s (median of 3) | ${web.code_ready_s.toFixed(2)} |`);
  console.log(`| page opened to the show fetched, s | ${web.show_fetched_s.toFixed(2)} |`);
  console.log(`| page opened to the start prompt, s | ${web.prompt_s.toFixed(2)} |`);
  console.log(`| page opened to the show's first frame, s | ${web.first_frame_s.toFixed(2)} |`);
  if (o.rounds > 0) {
    console.log(`| whole show, frames per second (native, same run) | ${median(page).toFixed(1)} (${median(native).toFixed(1)}) |`);
    console.log(`| slower than native by | ${web.slower_by.toFixed(2)} |`);
    console.log(`| player's heap in use at the first frame, at the last second, most, MiB | ` +
                `${mib(web.heap_in_use.first_frame)}, ${mib(web.heap_in_use.last_second)}, ${mib(web.heap_in_use.most)} |`);
    console.log(`| heap growth over the show, bytes | ${web.heap_growth_bytes} |`);
    console.log(`| script heap at the first frame, at the end, MiB | ${mib(web.script_heap.first_frame)}, ${mib(web.script_heap.end)} |`);
  }
  if (o.report) console.error(`web_bench: added to ${o.report}`);
}

main().catch(error => {
  console.error(`web_bench: ${error.message || error}`);
  process.exit(1);
});
