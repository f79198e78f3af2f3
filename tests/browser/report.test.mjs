// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock report --html opened in Debian's headless Chromium, as an operator opens it: the demo block's
// page against info and check of the same block, hovering and finding images; a weakly tied block and
// the simulated survey drawn as they are; damaged and missing tie point files said on the page. Every
// page must load without a console error and without a request leaving it.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const tool = process.env.YBBLOCK;
const artefacts = process.env.YB_BROWSER_ARTEFACTS || os.tmpdir();
const BLOCK = 'D:\\DemoBlock\\Demo.dms';
const SURVEY = 'D:\\Survey\\Survey.dms';

// Runs the tool with drive D: mapped onto `folder`.
function ybblock(folder, ...args) {
  const run = spawnSync(tool, args, { env: { ...process.env, YB_DRIVE_D: folder }, encoding: 'utf8' });
  return { status: run.status, out: run.stdout, err: run.stderr };
}
function json(folder, ...args) { return JSON.parse(ybblock(folder, ...args).out); }

const folders = [];
// A fresh folder holding a demo block (`demo` arguments after the folder) and its report.
function blockWithReport(name, demoArgs, block = BLOCK, damage) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), `ybblock-browser-${name}-`));
  folders.push(folder);
  const made = ybblock(folder, 'demo', ...demoArgs, folder);
  assert.equal(made.status, 0, made.err);
  if (damage) damage(folder);
  const page = path.join(folder, 'report.html');
  const written = ybblock(folder, 'report', block, '--html', '-o', page);
  return { folder, page, status: written.status, err: written.err };
}

// Debian's Chromium in a fresh profile, with nothing of its own reaching for the network.
let browser;
before(async () => {
  assert.ok(tool && fs.existsSync(tool), 'YBBLOCK names the built tool');
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'ybblock-chromium-'));
  folders.push(profile);
  browser = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.YB_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width: 1500, height: 1100 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
});
after(async () => {
  await browser?.close();
  for (const folder of folders) fs.rmSync(folder, { recursive: true, force: true });
});

// Opens a page; what went wrong in it (console errors, uncaught exceptions, requests leaving the file)
// is collected for the caller to assert on.
async function open(file) {
  const page = await browser.newPage();
  const problems = [];
  page.on('console', (message) => { if (message.type() === 'error') problems.push(`console: ${message.text()}`); });
  page.on('pageerror', (error) => problems.push(`exception: ${error.message}`));
  const url = `file://${file}`;
  page.on('request', (request) => { if (request.url() !== url && !request.url().startsWith('data:')) problems.push(`request: ${request.url()}`); });
  await page.goto(url);
  await page.waitForFunction(() => window.ybReport && window.ybReport.draws > 0);
  return { page, problems };
}

const summary = (page, key) => page.locator(`#summary-table tr[data-key="${key}"] td`).innerText();

describe('the demo block', () => {
  let made, page, problems;
  before(async () => {
    made = blockWithReport('demo', []);
    assert.equal(made.status, 0, made.err);
    ({ page, problems } = await open(made.page));
  });
  after(async () => { await page?.close(); });

  test('loads with no console error and no request leaving the page, and marks nothing weak', async () => {
    assert.deepEqual(problems, []);
    const weak = await page.evaluate(() => [window.ybReport.weakImages, window.ybReport.weakLinks, window.ybReport.weakStripPairs]);
    assert.deepEqual(weak, [[], [], []]);
  });

  test('its summary says what info and check say', async () => {
    const block = json(made.folder, 'info', '--json', BLOCK);
    const ties = json(made.folder, 'info', '--json', 'D:\\DemoBlock\\Demo.scp');
    const check = json(made.folder, 'check', '--json', BLOCK);
    const list = json(made.folder, 'info', '--json', 'D:\\DemoBlock\\Demo.bil');
    const info = (j) => j.content || j;
    assert.equal(await summary(page, 'block-name'), info(block).block_name);
    assert.equal(await summary(page, 'image-type'), info(block).image_type_name);
    assert.equal(Number(await summary(page, 'images')), check.images);
    assert.equal(Number(await summary(page, 'observations')), info(ties).points);
    assert.equal(Number(await summary(page, 'strips')), info(list).strips);
    assert.equal(await summary(page, 'check'), `${check.errors} errors, ${check.warnings} warnings`);
    const findings = await page.locator('#findings tbody tr').count();
    assert.ok(findings >= 1);
  });

  test('hovering image 101 shows its number and tie point count', async () => {
    const ties = json(made.folder, 'info', '--json', '--image', '101', 'D:\\DemoBlock\\Demo.scp');
    const [x, y] = await page.evaluate(() => window.ybReport.screenOf(101));
    const box = await page.locator('#map').boundingBox();
    await page.mouse.move(box.x + x, box.y + y);
    const tip = page.locator('#tip');
    await tip.waitFor({ state: 'visible' });
    const text = await tip.innerText();
    assert.match(text, /^image 101\b/);
    assert.match(text, new RegExp(`\\b${(ties.content || ties).points} tie point observations`));
    assert.match(text, /neighbours \(points shared\): 102 \(\d+\)/);
  });

  test('the search centres the image it finds', async () => {
    await page.locator('#search').fill('0203');
    await page.locator('#search').press('Enter');
    await page.waitForFunction(() => window.ybReport.draws > 0);
    const [view, centre] = await page.evaluate(() => [window.ybReport.view(), window.ybReport.centreOf(203)]);
    assert.ok(Math.abs(view.x - centre[0]) < 1e-6 && Math.abs(view.y - centre[1]) < 1e-6);
    assert.match(await page.locator('#search-result').innerText(), /^image 203: /);
    await page.locator('#fit').click();
    await page.mouse.move(5, 5);
    await page.screenshot({ path: path.join(artefacts, 'demo-report.png'), fullPage: false });
  });

  test('a finding links to its image on the map, and the table sorts', async () => {
    const before = await page.locator('#findings tbody tr td:first-child').allInnerTexts();
    await page.locator('#findings th[data-key="severity"]').click();
    const after = await page.locator('#findings tbody tr td:first-child').allInnerTexts();
    assert.deepEqual(after, [...before].reverse());
  });
});

describe('a block whose strips share no tie point', () => {
  test('shows the weak link between the strips and its images marked', async () => {
    const made = blockWithReport('weak', ['--weak']);
    assert.equal(made.status, 0, made.err);
    const { page, problems } = await open(made.page);
    assert.deepEqual(problems, []);
    const check = json(made.folder, 'check', '--json', BLOCK);
    const weakImages = check.findings.find((f) => f.finding === 'weakly_tied_images').items.map((i) => i.image);
    const state = await page.evaluate(() => ({ images: window.ybReport.weakImages, strips: window.ybReport.weakStripPairs, links: window.ybReport.weakLinks }));
    assert.deepEqual(state.strips, [[1, 2, 0]]);
    // The end images hang on 3 points: the strip breaks there.
    assert.ok(state.links.length > 0 && state.links.every(([first, second, shared]) => second === first + 1 && shared < 6));
    assert.deepEqual([...state.images].sort(), [...weakImages].sort());
    assert.match(await page.locator('#strips tbody tr:first-child td.bad').last().innerText(), /^0$/);
    await page.screenshot({ path: path.join(artefacts, 'weak-report.png') });
    // The page's threshold: asking for nothing weak leaves nothing marked.
    await page.locator('#threshold').fill('0');
    assert.deepEqual(await page.evaluate(() => window.ybReport.weakStripPairs), []);
    await page.close();
  });
});

describe('the simulated survey', () => {
  test('is drawn as flown: each strip in ground order, links across the strips only', async () => {
    const made = blockWithReport('survey', ['--survey'], SURVEY);
    assert.ok(made.status === 0, made.err);
    const { page, problems } = await open(made.page);
    assert.deepEqual(problems, []);
    const g = await page.evaluate(() => window.ybReport.geometry());
    await page.close();
    assert.ok(g.ground, 'placed by the user ranges of the image files');
    const strip = (i) => Math.trunc(g.numbers[i] / 100);
    // Along each strip the images follow their numbers, one way or the other.
    const byStrip = new Map();
    g.numbers.forEach((n, i) => byStrip.set(strip(i), [...(byStrip.get(strip(i)) || []), i]));
    assert.ok(byStrip.size >= 3);
    const directions = [];
    for (const images of byStrip.values()) {
      images.sort((p, q) => g.numbers[p] - g.numbers[q]);
      const steps = images.slice(1).map((i, k) => Math.sign(g.x[i] - g.x[images[k]]));
      assert.ok(steps.every((s) => s === steps[0] && s !== 0), `strip ${strip(images[0])} in ground order`);
      directions.push(steps[0]);
    }
    assert.ok(directions.includes(1) && directions.includes(-1), 'flown back and forth');
    // Links between strips run across them: two images share points only where their footprints overlap,
    // so a link spans at most a footprint along the strip (2.5 steps at 60 % forward overlap), never the
    // fan across the block that images drawn in number order give.
    const step = Math.abs(g.x[1] - g.x[0]);
    const between = g.links.filter(([p, q]) => strip(p) !== strip(q));
    assert.ok(between.length > 0);
    for (const [p, q] of between)
      assert.ok(Math.abs(g.x[p] - g.x[q]) <= 2.5 * step, `the link ${g.numbers[p]}-${g.numbers[q]} spans ${Math.abs(g.x[p] - g.x[q]) / step} steps`);
  });
});

describe('a tie point file that cannot be read', () => {
  for (const [kind, damage, words] of [
    ['damaged', (folder) => { const f = path.join(folder, 'DemoBlock', 'Demo.scp'); fs.truncateSync(f, fs.statSync(f).size - 30); }, /the tie point file cannot be read: 4000032/],
    ['missing', (folder) => fs.rmSync(path.join(folder, 'DemoBlock', 'Demo.scp')), /the block has no tie point file/],
  ]) {
    test(`${kind}: the report says so, and the tool exits 1`, async () => {
      const made = blockWithReport(kind, [], BLOCK, damage);
      assert.equal(made.status, 1);
      assert.match(made.err, words);
      const { page, problems } = await open(made.page);
      assert.deepEqual(problems, []);
      assert.match(await page.locator('#problem').innerText(), words);
      assert.match(await page.locator('#map-empty').innerText(), /^No tie points to show/);
      assert.ok(await page.locator('#summary-table tr[data-key="observations"] td.bad').count() === 1);
      await page.close();
    });
  }
});
