// page_test.js -- the web page in headless chromium against the native player: every section type's
// frames on the fixed clock, the soundtrack's samples, and the player's own error messages, with no
// uncaught page error.
// Usage: node tests/web/page_test.js BUILD WEB   (puppeteer-core on NODE_PATH; build-web served here)
'use strict';
const assert = require('assert');
const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const {serve, launch} = require('../../tools/web_page.js');

const [build, web] = process.argv.slice(2).map(p => path.resolve(p));
const kFps = 10;
const kFloor = 30.0;  // dB: chromium's rasterizer against llvmpipe's
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'varnel-web-'));

// For each type, a time inside its first section, on the capture's frame grid.
function timesOfEveryType(script) {
  const firsts = new Map();
  let section = null;
  for (const line of script.split('\n')) {
    const name = line.match(/^\[(\w+)\]/);
    if (name) section = firsts.has(name[1]) || name[1] === 'eof' ? null : {type: name[1]};
    if (section && !firsts.has(section.type)) firsts.set(section.type, section);
    const field = line.match(/^(start|end) ([\d.]+)/);
    if (section && field) section[field[1]] = Number(field[2]);
  }
  const times = new Map();  // "t" -> the types whose first section holds t
  for (const s of firsts.values()) {
    const start = s.start || 0;
    const t = (Math.ceil((start + 0.5 * ((s.end || start + 1) - start)) * kFps) / kFps).toFixed(3);
    times.set(t, [...(times.get(t) || []), s.type]);
  }
  return times;
}

// varnel-capture's message on standard error for the show in dir: its "Error: ..." line.
function nativeError(dir) {
  const run = childProcess.spawnSync(path.join(build, 'bin/varnel-capture'), ['--to', '1', '--out', path.join(scratch, 'out')],
                                     {cwd: dir, env: {...process.env, SDL_VIDEODRIVER: 'offscreen', SDL_AUDIODRIVER: 'dummy'}});
  const line = run.stderr.toString().split('\n').find(l => l.startsWith('Error: '));
  assert(line, `varnel-capture told no error for ${dir}: ${run.stderr}`);
  return line;
}

async function main() {
  const server = await serve(web, {'/scratch/': scratch});
  const base = `http://127.0.0.1:${server.address().port}/index.html`;
  const browser = await launch();
  let failures = 0;
  const check = (ok, what) => {
    console.log(`${ok ? 'ok' : 'FAIL'}: ${what}`);
    if (!ok) ++failures;
  };
  // The page at url until it is done or tells an error; what it left in window.
  const open = async url => {
    const page = await browser.newPage();
    await page.setViewport({width: 800, height: 600});
    const uncaught = [];
    page.on('pageerror', error => uncaught.push(error.message));
    await page.goto(url);
    await page.waitForFunction(() => window.varnelDone || window.varnelError, {timeout: 600000, polling: 100});
    const result = await page.evaluate(() => ({frames: window.varnelFrames, error: window.varnelError || '',
                                               line: document.getElementById('line').textContent}));
    result.page = page;
    check(uncaught.length === 0, `no uncaught error on ${url.slice(base.length)} ${uncaught.join('; ')}`);
    return result;
  };

  // Every type: the page's frame against varnel-capture's.
  const times = timesOfEveryType(fs.readFileSync(path.join(build, 'demo-loose/script.txt'), 'utf8'));
  const at = [...times.keys()];
  const last = Math.max(...at.map(Number));
  const frames = path.join(scratch, 'frames');
  childProcess.execFileSync(path.join(build, 'bin/varnel-capture'),
                            ['--fps', String(kFps), '--to', String(last), '--out', frames, '--at', ...at],
                            {cwd: path.join(build, 'demo'), stdio: 'ignore',
                             env: {...process.env, SDL_VIDEODRIVER: 'offscreen', SDL_AUDIODRIVER: 'dummy'}});
  const shown = await open(`${base}?capture=${kFps}&at=${at.join(',')}`);
  for (const [t, types] of times) {
    const native = 'data:image/png;base64,' + fs.readFileSync(path.join(frames, `${t}.png`)).toString('base64');
    const psnr = await shown.page.evaluate(async (a, b) => {
      const pixels = async url => {
        const image = await createImageBitmap(await (await fetch(url)).blob());
        const context = new OffscreenCanvas(image.width, image.height).getContext('2d');
        context.drawImage(image, 0, 0);
        return context.getImageData(0, 0, image.width, image.height).data;
      };
      const [p, q] = [await pixels(a), await pixels(b)];
      if (p.length !== q.length) return -1;
      let sum = 0;
      for (let i = 0; i < p.length; ++i) if (i % 4 !== 3) sum += (p[i] - q[i]) ** 2;
      const mse = sum / (p.length / 4 * 3);
      return mse === 0 ? 99 : 10 * Math.log10(255 * 255 / mse);
    }, shown.frames[t] || '', native);
    check(psnr >= kFloor, `${types.join(', ')} at ${t} s: ${psnr.toFixed(1)} dB`);
  }
  await shown.page.close();

  // Two seconds of the soundtrack: the page's samples and varnel-capture --audio's, within one step of
  // 16 bits (mpg123's optimised synthesis natively, its generic one on the page).
  const [from, to] = [10, 12];
  const wav = path.join(scratch, 'soundtrack.wav');
  childProcess.execFileSync(path.join(build, 'bin/varnel-capture'), ['--to', String(to), '--audio', wav, '--out', frames],
                            {cwd: path.join(build, 'demo'), stdio: 'ignore',
                             env: {...process.env, SDL_VIDEODRIVER: 'offscreen', SDL_AUDIODRIVER: 'dummy'}});
  const heard = await open(`${base}?capture=${kFps}&at=0.1&audio=${from},${to}`);
  const page = Buffer.from(await heard.page.evaluate(() => window.varnelAudio || ''), 'base64');
  const native = fs.readFileSync(wav).subarray(44 + from * 44100 * 4, 44 + to * 44100 * 4);
  let worst = page.length === native.length ? 0 : Infinity;
  for (let i = 0; worst !== Infinity && i < page.length; i += 2) {
    worst = Math.max(worst, Math.abs(page.readInt16LE(i) - native.readInt16LE(i)));
  }
  check(worst <= 1, `soundtrack ${from}-${to} s: ${page.length / 4} frames, at most ${worst} apart (native ${native.length / 4})`);
  await heard.page.close();

  // As a viewer opens it: the prompt after the loading phase, a key, then the show on its music.
  const viewed = await browser.newPage();
  const uncaught = [];
  viewed.on('pageerror', error => uncaught.push(error.message));
  await viewed.goto(base);
  await viewed.waitForFunction(() => window.varnelTimes.prompt || window.varnelError, {timeout: 60000, polling: 50});
  await viewed.keyboard.press('Space');
  await viewed.waitForFunction(() => window.varnelTimes.firstFrame || window.varnelError, {timeout: 60000, polling: 50});
  const played = await viewed.evaluate(() => ({error: window.varnelError || '', audio: Module.SDL2.audioContext.state,
                                               prompt: getComputedStyle(document.getElementById('start')).display}));
  check(!played.error && played.audio === 'running' && played.prompt === 'none' && !uncaught.length,
        `played after a key: audio ${played.audio}, prompt ${played.prompt} ${played.error} ${uncaught.join('; ')}`);
  await viewed.close();

  // A file that is not an archive, and an archive that lacks a file its script names: the native
  // player's own messages, on the page.
  fs.mkdirSync(path.join(scratch, 'bad'));
  fs.writeFileSync(path.join(scratch, 'bad/data.dat'), 'not an archive\n');
  const lacking = path.join(scratch, 'lacking');
  fs.cpSync(path.join(build, 'demo-loose'), lacking, {recursive: true});
  fs.rmSync(path.join(lacking, 'data.dat'));
  const script = fs.readFileSync(path.join(lacking, 'script.txt'), 'utf8').replace('g_packeddata 0', 'g_packeddata 1');
  fs.writeFileSync(path.join(lacking, 'script.txt'), script);
  const textures = fs.readdirSync(path.join(lacking, 'textures'), {recursive: true})
    .filter(f => fs.statSync(path.join(lacking, 'textures', f)).isFile()).sort();
  fs.rmSync(path.join(lacking, 'textures', textures[0]));
  fs.mkdirSync(path.join(scratch, 'lacking-show'));
  childProcess.execFileSync(path.join(build, 'bin/varnel-tool'), ['pak', 'create', path.join(scratch, 'lacking-show/data.dat'), lacking],
                            {stdio: 'ignore'});
  for (const name of ['bad', 'lacking-show']) {
    const expected = nativeError(path.join(scratch, name));
    const result = await open(`${base}?show=/scratch/${name}/data.dat&capture=${kFps}`);
    check(result.error === expected && result.line === expected, `${name}: "${result.error}", as natively "${expected}"`);
    await result.page.close();
  }

  await browser.close();
  server.close();
  fs.rmSync(scratch, {recursive: true, force: true});
  console.log(failures ? `page_test: ${failures} failed` : 'page_test: all passed');
  process.exit(failures ? 1 : 0);
}

main().catch(error => {
  console.error(error);
  process.exit(1);
});
