// What the page keeps for a player, in headless Chromium:
//   1. a game dropped on the page as a zip (Shift-JIS names, no UTF-8 flag) ends the demo that started
//      by itself, plays with scripted input, and what it saved is kept in IndexedDB;
//   2. the same zip dropped again once that game has ended plays on from those saves, in an engine of
//      its own;
//   3. "Download saves" gives them as a zip, which "Restore saves" brings into a browser that has
//      nothing yet, where the page opened again finds them;
//   4. there, a dropped file that is no zip is refused with a message, and a game folder with a
//      Japanese name given to the folder button plays in place of the demo;
//   5. and touches reach that game: in the settings menu a tap steps a value up (the left button) and
//      a tap of two fingers steps it down (the right button).
// Each game run's files in /run (its screenshots) go to OUT_DIR/runN, with what the page kept.
// Usage: node page_keeps_files.cjs SITE_URL GAME_ZIP GAME_FOLDER OUT_DIR ARGS_JSON
'use strict';
// fflate comes from the web build's npm cache, through NODE_PATH.
const fflate = require('fflate');
const { launch, filesIn } = require('./page_files.cjs');
const { mkdirSync, readFileSync, writeFileSync } = require('node:fs');

const [site, zipPath, folderPath, out, argsJson] = process.argv.slice(2);
const timeout = Number(process.env.PAGE_TIMEOUT || 300000);
const log = [];

function fail(message) {
  throw new Error(message + '\n' + log.slice(-30).join('\n'));
}

async function open(context, query) {
  const page = await context.newPage();
  page.on('console', (message) => log.push(message.text()));
  page.on('pageerror', (error) => log.push('page error: ' + error.message));
  await page.goto(site + '/index.html?' + query);
  await page.waitForFunction(() => window.advplayInstance !== undefined, null, { timeout: 120000 });
  return page;
}

// Drops BYTES on the page as a file manager would drop a file named NAME.
async function drop(page, name, bytes) {
  const transfer = await page.evaluateHandle(([name, data]) => {
    const raw = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
    const transfer = new DataTransfer();
    transfer.items.add(new File([raw], name, { type: 'application/zip' }));
    return transfer;
  }, [name, bytes.toString('base64')]);
  await page.dispatchEvent('#stage', 'drop', { dataTransfer: transfer });
}

const status = (page) => page.evaluate(() => document.getElementById('status').textContent);

// Drops the zip and waits for its game to end.
async function dropAndPlay(page) {
  await page.evaluate(() => { window.advplayExit = undefined; });
  await drop(page, 'game.zip', readFileSync(zipPath));
  await page.waitForFunction(() => window.advplayExit !== undefined, null, { timeout, polling: 200 })
    .catch((error) => fail('the game did not end: ' + error.message));
  const code = await page.evaluate(() => window.advplayExit);
  if (code !== 0) fail('the game ended with status ' + code);
}

async function copyOut(page, folder, into) {
  const files = await filesIn(page, folder);
  for (const [path, data] of Object.entries(files)) {
    mkdirSync((into + '/' + path).replace(/\/[^/]*$/, ''), { recursive: true });
    writeFileSync(into + '/' + path, data);
  }
  return Object.keys(files);
}

(async () => {
  const browser = await launch();
  const scripted = 'input=test-input.txt&args=' + encodeURIComponent(argsJson);

  // 1 and 2: one page, two games.
  const first = await browser.newContext({ viewport: { width: 800, height: 600 }, acceptDownloads: true });
  const page = await open(first, scripted);
  for (const run of [1, 2]) {
    // The first drop comes while the demo plays.
    if (run === 1) await page.waitForFunction(() => document.getElementById('status').textContent === 'Playing demo');
    await dropAndPlay(page);
    await copyOut(page, '/run', `${out}/run${run}`);
    const kept = await copyOut(page, '/persist/saves/デモ', `${out}/run${run}/kept`);
    if (kept.length === 0) fail(`run ${run}: the page kept none of the game's files`);
    await copyOut(page, '/games/デモ/save', `${out}/run${run}/save`);
    const record = await filesIn(page, '/persist/.local/share/advplay/デモ');
    if (!record['read.txt']) fail(`run ${run}: no record of read text for the game named デモ`);
    if (run === 1) continue;
    // 3: the saves out as a zip ...
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
    const zipFile = `${out}/saves.zip`;
    await download.saveAs(zipFile);
    const names = Object.keys(fflate.unzipSync(readFileSync(zipFile)));
    for (const name of kept)
      if (!names.includes('saves/デモ/' + name)) fail(`the downloaded zip lacks saves/デモ/${name}: ${names}`);
    if (!names.includes('.local/share/advplay/デモ/read.txt')) fail('the downloaded zip lacks the read record');
  }
  await first.close();

  // ... and into a browser that has none.
  const second = await browser.newContext({ viewport: { width: 800, height: 600 }, hasTouch: true });
  const fresh = await open(second, '');
  if (Object.keys(await filesIn(fresh, '/persist/saves')).length !== 0) fail('a new browser already has saves');
  await fresh.setInputFiles('#restore', `${out}/saves.zip`);
  await fresh.waitForFunction(() => document.getElementById('status').textContent.startsWith('Restored'));
  await fresh.close();
  const touched = await open(second, '');
  await copyOut(touched, '/persist/saves/デモ', `${out}/restored`);

  // 4: no zip, then a folder.
  await touched.waitForFunction(() => document.getElementById('status').textContent === 'Playing demo');
  await drop(touched, 'broken.zip', Buffer.from('PK\x03\x04 this is no zip'));
  await touched.waitForFunction(() => document.getElementById('status').textContent.startsWith('That zip cannot be read'))
    .catch(() => fail('a broken zip was not refused'));
  const folderName = folderPath.split('/').pop();
  await touched.setInputFiles('#folder', folderPath);
  await touched.waitForFunction((name) => document.getElementById('status').textContent === 'Playing ' + name,
    folderName).catch(async () => fail('the folder did not play: ' + (await status(touched))));
  const given = Object.keys(await filesIn(touched, '/games/' + folderName));
  const wanted = require('node:child_process').execFileSync('find', [folderPath, '-type', 'f']).toString().trim().split('\n');
  if (given.length !== wanted.length) fail(`the folder has ${wanted.length} files, the page ${given.length}: ${given}`);

  // 5: touches, on the first line of the settings menu (text speed: 100, then 150, 200, and back).
  await touched.waitForTimeout(1500);
  await touched.keyboard.press('F1');
  await touched.waitForTimeout(500);
  const box = await touched.locator('#canvas').boundingBox();
  const x = box.x + (200 * box.width) / 640, y = box.y + (96 * box.height) / 480;
  const touch = await touched.context().newCDPSession(touched);
  const speed = async () => {
    const settings = await filesIn(touched, '/persist/.config/advplay');
    const text = settings['settings.ini'] ? settings['settings.ini'].toString() : '';
    const found = /text_speed = (\d+)/.exec(text);
    return found ? Number(found[1]) : null;
  };
  // Each step is written to the settings file at once.
  const tap = async (fingers, wanted) => {
    const points = fingers === 1 ? [{ x, y }] : [{ x, y }, { x: x + 40, y }];
    await touch.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: points });
    await touch.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    for (let waited = 0; (await speed()) !== wanted; waited += 100) {
      if (waited > 10000) fail(`a tap of ${fingers} fingers left the text speed at ${await speed()}, not ${wanted}`);
      await touched.waitForTimeout(100);
    }
  };
  await tap(1, 150);
  await tap(1, 200);
  await tap(2, 150);

  writeFileSync(out + '/console.txt', log.join('\n') + '\n');
  await browser.close();
  console.log('dropped zip played twice from its saves; saves downloaded and restored; a broken zip refused; a folder played; taps are left and right clicks');
})().catch((error) => {
  console.error(error.message);
  process.exit(1);
});
