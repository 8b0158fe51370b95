// The page's graphs. On a desktop screen: a POLTAX 20 run, then a POLTAX 10
// run; the charts then plot exactly the points, reference line and axes of
// a GraphModel fed the same two runs through the form (graph_points, under
// node), the previous run faded behind, and vy on the dashed line within a
// pixel. On a phone, the same within a device pixel, the graphs over the
// whole screen, following it when turned. Both open and close by key,
// button and tap with no console error.
//
// node page_graphs_test.mjs SITE_FOLDER GRAPH_POINTS_JS SCRATCH_FOLDER
import {execFileSync} from 'node:child_process';
import {mkdirSync, readFileSync} from 'node:fs';
import {join} from 'node:path';
import {fail, launch, openPage, serve} from './harness.mjs';

const [site, graphPoints, scratch] = process.argv.slice(2);
const QUANTITIES = ['vy', 'vx', 'speed', 'y'];
const CHART_OF = {vy: 0, vx: 0, speed: 0, y: 1};
// Path coordinates are written in whole hundredths of a CSS pixel.
const SCALE = 100;
const ROUNDING = 0.006;

mkdirSync(scratch, {recursive: true});
const modelFile = join(scratch, 'model-20-10.json');
execFileSync(process.execPath, ['--no-experimental-fetch', graphPoints, modelFile, '20', '10'],
             {stdio: 'inherit'});
const model = JSON.parse(readFileSync(modelFile, 'utf8'));

const server = await serve(site);
const browser = await launch();
try {
  await desktop();
  await phone();
} finally {
  await browser.close();
  server.close();
}

// --- What both screens check -------------------------------------------------

async function waitOpen(page, open, how) {
  try {
    await page.waitForFunction((open) => {
      const panel = document.getElementById('graphs');
      const button = document.getElementById('graphs-button');
      return window.__zorva.graphs.isOpen() === open && panel.hidden === !open &&
             button.getAttribute('aria-expanded') === String(open) &&
             (!open || window.__zorva.graphs.drawn().every((chart) => chart !== null));
    }, {timeout: 10000, polling: 50}, open);
  } catch {
    fail(`the graphs did not ${open ? 'open' : 'close'} by ${how}`);
  }
}

async function ctrlG(page) {
  await page.keyboard.down('Control');
  await page.keyboard.press('KeyG');
  await page.keyboard.up('Control');
}

async function tap(page, selector) {
  const box = await (await page.$(selector)).boundingBox();
  await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
}

// Every way in and out: G, Escape, Ctrl+G twice, the button, the close
// button, and a finger on both.
async function openAndClose(page, name) {
  await page.keyboard.press('KeyG');
  await waitOpen(page, true, `G (${name})`);
  const focused = await page.evaluate(() => document.activeElement.id);
  if (focused !== 'graphs-close') {
    fail(`${name}: opened, the focus is on "${focused}", not the close button`);
  }
  await page.keyboard.press('Escape');
  await waitOpen(page, false, `Escape (${name})`);
  await ctrlG(page);
  await waitOpen(page, true, `Ctrl+G (${name})`);
  await ctrlG(page);
  await waitOpen(page, false, `Ctrl+G (${name})`);
  await page.click('#graphs-button');
  await waitOpen(page, true, `a click on the button (${name})`);
  await page.click('#graphs-close');
  await waitOpen(page, false, `a click on Close (${name})`);
  await tap(page, '#graphs-button');
  await waitOpen(page, true, `a tap on the button (${name})`);
  await tap(page, '#graphs-close');
  await waitOpen(page, false, `a tap on Close (${name})`);
}

// "Time on" by key, and the run left to reach the summit after `ticks`.
async function run(page, ticks) {
  await page.keyboard.press('KeyT');
  await page.waitForFunction((ticks) => {
    const s = window.__zorva.state();
    return !s.running && s.stepCount === ticks;
  }, {timeout: 60000, polling: 50}, ticks);
}

// The charts as a screen reader has them: pictures with a name and a
// description.
async function chartsAsHeard(page) {
  const session = await page.createCDPSession();
  const {nodes} = await session.send('Accessibility.getFullAXTree');
  await session.detach();
  // The drawing is an image too; the charts are the images named as graphs.
  return nodes.filter((node) => node.role?.value === 'image' && !node.ignored &&
                                / graph$/.test(node.name?.value || '')).map(
    (node) => ({name: node.name?.value, description: node.description?.value || ''}));
}

// The charts' paths as the SVG holds them, in pixels and in document order.
function svgPaths(page) {
  return page.evaluate((scale) => [...document.querySelectorAll('#graphs path[data-run]')].map(
    (path, order) => ({
      order,
      chart: path.closest('figure').id,
      run: path.dataset.run,
      quantity: path.dataset.quantity,
      stroke: path.getAttribute('stroke'),
      opacity: Number(path.getAttribute('stroke-opacity') || 1),
      width: Number(path.getAttribute('stroke-width')),
      dash: path.getAttribute('stroke-dasharray'),
      points: path.getAttribute('d').slice(1).split('L').map((p) => p.split(',').map(
        (v) => Number(v) / scale)),
    })), SCALE);
}

// vy's worst distance from the dashed line, in the screen's device pixels.
function vyOffLine(paths, dpr) {
  const vy = paths.find((p) => p.run === 'current' && p.quantity === 'vy');
  const line = paths.find((p) => p.run === 'reference');
  if (!vy || !line || line.points[0][1] !== line.points[1][1]) {
    return Infinity;
  }
  return Math.max(...vy.points.map(([, y]) => Math.abs(y - line.points[0][1]))) * dpr;
}

// The SVG's pixels are the drawn points placed on the drawn axes.
function checkPlaced(name, drawn, paths) {
  let worst = 0;
  for (const path of paths) {
    const chart = drawn[path.chart === 'graph-velocity' ? 0 : 1];
    const data = path.run === 'reference' ? chart.reference : chart[path.run][path.quantity];
    const {time, value} = chart;
    if (!data || data.length !== 2 * path.points.length) {
      fail(`${name}: ${path.run} ${path.quantity} has ${path.points.length} points in the ` +
           `picture, ${data ? data.length / 2 : 0} drawn`);
      continue;
    }
    path.points.forEach(([x, y], i) => {
      const wantX = chart.left + ((data[2 * i] - time.min) / (time.max - time.min)) *
                    chart.plotWidth;
      const wantY = chart.top + chart.plotHeight -
                    ((data[2 * i + 1] - value.min) / (value.max - value.min)) * chart.plotHeight;
      worst = Math.max(worst, Math.abs(x - wantX), Math.abs(y - wantY));
    });
  }
  if (!(worst <= ROUNDING)) {
    fail(`${name}: a point lies ${worst} px from where the axes put it`);
  }
}

// --- A desktop screen ----------------------------------------------------------

async function desktop() {
  const name = '1920x1080';
  const {page, errors} = await openPage(browser, server.url + '?poltax=20', 1920, 1080,
                                        {hasTouch: true});
  const previousTicks = model.previous[0].length / 2;
  await run(page, previousTicks);
  await page.keyboard.press('KeyG');
  await waitOpen(page, true, 'G');
  const [first] = await chartsAsHeard(page);
  if (!first || !/vy leaves it/.test(first.description)) {
    fail(`after POLTAX 20 the velocity chart is described as: ${first && first.description}`);
  }
  await page.keyboard.press('Escape');
  await waitOpen(page, false, 'Escape');

  // POLTAX 10 with the bar's Page Up, and a second run while the graphs
  // are closed: the model buffers it.
  await page.focus('#POLTAX');
  await page.keyboard.press('PageUp');
  const poltax = await page.$eval('#POLTAX', (bar) => bar.getAttribute('aria-valuenow'));
  if (poltax !== '10') {
    fail(`POLTAX reads ${poltax} after Page Up, not 10`);
  }
  await run(page, model.samples);
  await page.click('#graphs-button');
  await waitOpen(page, true, 'a click on the button');

  // The same points as the model's, to the last bit.
  const drawn = await page.evaluate(() => window.__zorva.graphs.drawn());
  const same = (a, b) => a.length === b.length && a.every((v, i) => v === b[i]);
  QUANTITIES.forEach((q, i) => {
    const chart = drawn[CHART_OF[q]];
    if (!same(chart.current[q] || [], model.current[i])) {
      fail(`${name}: the current run's ${q} is not the model's`);
    }
    if (!same(chart.previous[q] || [], model.previous[i])) {
      fail(`${name}: the previous run's ${q} is not the model's`);
    }
  });
  if (!same(drawn[0].reference || [], model.reference) || drawn[1].reference !== null) {
    fail(`${name}: the reference line is not the model's`);
  }
  const axis = (a) => [a.min, a.max, a.step, a.decimals];
  if (!same(axis(drawn[0].time), model.axes[0]) || !same(axis(drawn[1].time), model.axes[0]) ||
      !same(axis(drawn[0].value), model.axes[1]) || !same(axis(drawn[1].value), model.axes[2])) {
    fail(`${name}: the axes are not the model's`);
  }

  // Placed on the axes; the previous run faded behind the current one.
  const paths = await svgPaths(page);
  checkPlaced(name, drawn, paths);
  for (const q of QUANTITIES) {
    const current = paths.find((p) => p.run === 'current' && p.quantity === q);
    const previous = paths.find((p) => p.run === 'previous' && p.quantity === q);
    if (!current || !previous || previous.order > current.order ||
        previous.stroke !== current.stroke || !(previous.opacity < 0.4) ||
        !(previous.width < current.width)) {
      fail(`${name}: the previous run's ${q} is not faded behind the current one`);
    }
  }
  const velocity = paths.filter((p) => p.chart === 'graph-velocity');
  const reference = velocity.find((p) => p.run === 'reference');
  if (!reference || !reference.dash || reference !== velocity[velocity.length - 1]) {
    fail(`${name}: the reference line is not dashed on top`);
  }
  const off = vyOffLine(paths, drawn[0].dpr);
  console.log(`${name}: ${paths.length} traces, the model's points; vy ${off.toFixed(3)} ` +
              'device pixels off the dashed line');
  if (!(off <= 1)) {
    fail(`${name}: vy lies ${off} device pixels off the dashed line`);
  }

  // For those who cannot see it: named and described, with the latest
  // values in a table.
  const heard = await chartsAsHeard(page);
  const tables = await page.evaluate(() => [...document.querySelectorAll('.graph table')].map(
    (table) => ({caption: table.caption?.textContent,
                 last: [...table.querySelectorAll('tbody tr:last-child > *')]
                   .map((cell) => cell.textContent)})));
  const lastT = model.current[0][model.current[0].length - 2];
  const lastVy = model.current[0][model.current[0].length - 1];
  if (heard.map((chart) => chart.name).join() !== 'Velocity graph,Height graph' ||
      !/vy lies on it/.test(heard[0].description) || !/0\.12 s/.test(heard[0].description) ||
      !/previous run/.test(heard[1].description) || tables.some((t) => !t.caption) ||
      tables[0].last[0] !== lastT.toFixed(5) || tables[0].last[1] !== lastVy.toFixed(3)) {
    fail(`${name}: the charts' words: ${JSON.stringify({heard, tables})}`);
  }
  await page.keyboard.press('Tab');
  const summary = await page.evaluate(() => document.activeElement.tagName);
  if (summary !== 'SUMMARY') {
    fail(`${name}: Tab from Close reaches ${summary}, not the first table's summary`);
  }
  await page.keyboard.press('Escape');
  await waitOpen(page, false, 'Escape');
  await openAndClose(page, name);

  // A smaller window: the charts follow it.
  await page.keyboard.press('KeyG');
  await waitOpen(page, true, 'G');
  await page.setViewport({width: 1024, height: 600, hasTouch: true});
  await followsItsBox(page, `${name} resized to 1024x600`);
  finish(name, errors, await page.evaluate(() => window.__zorva.errors));
  await page.close();
}

// Each chart's picture as large as its box, drawn for the screen's density.
async function followsItsBox(page, name) {
  try {
    await page.waitForFunction(() => {
      const drawn = window.__zorva.graphs.drawn();
      return [...document.querySelectorAll('.graph-plot')].every((plot, i) =>
        drawn[i] && drawn[i].width === plot.clientWidth && drawn[i].height === plot.clientHeight &&
        drawn[i].dpr === window.devicePixelRatio);
    }, {timeout: 10000, polling: 50});
  } catch {
    fail(`${name}: the charts did not follow their boxes`);
  }
}

// --- A phone ---------------------------------------------------------------------

async function phone() {
  const name = '390x844 phone';
  const screen = {isMobile: true, hasTouch: true, deviceScaleFactor: 3};
  const {page, errors} = await openPage(browser, server.url + '?poltax=10', 390, 844, screen);
  await tap(page, '#Command1');
  await page.waitForFunction(() => {
    const s = window.__zorva.state();
    return !s.running && s.stepCount > 0;
  }, {timeout: 60000, polling: 50});
  await tap(page, '#graphs-button');
  await waitOpen(page, true, `a tap on the button (${name})`);
  const layout = await page.evaluate(() => {
    const panel = document.getElementById('graphs').getBoundingClientRect();
    const close = document.getElementById('graphs-close').getBoundingClientRect();
    return {panel: [panel.left, panel.top, panel.width, panel.height],
            viewport: [0, 0, window.innerWidth, window.innerHeight],
            close: [close.left, close.top, close.right, close.bottom, close.width, close.height]};
  });
  if (layout.panel.join() !== layout.viewport.join()) {
    fail(`${name}: the graphs cover ${layout.panel}, not the screen ${layout.viewport}`);
  }
  const [left, top, right, bottom, width, height] = layout.close;
  if (left < 0 || top < 0 || right > 390 || bottom > 844 || width < 44 || height < 44) {
    fail(`${name}: the close button is at ${layout.close}, not a finger's size on the screen`);
  }
  await followsItsBox(page, name);
  const drawn = await page.evaluate(() => window.__zorva.graphs.drawn());
  const paths = await svgPaths(page);
  checkPlaced(name, drawn, paths);
  const off = vyOffLine(paths, drawn[0].dpr);
  console.log(`${name}: density ${drawn[0].dpr}; vy ${off.toFixed(3)} device pixels off the ` +
              'dashed line');
  if (!(off <= 1) || drawn[0].dpr !== 3) {
    fail(`${name}: vy lies ${off} device pixels off the dashed line at density ${drawn[0].dpr}`);
  }

  // Turned sideways: the charts side by side over the whole screen.
  await page.setViewport({width: 844, height: 390, ...screen});
  await followsItsBox(page, `${name} turned`);
  const turned = await page.evaluate(() => ({
    panel: document.getElementById('graphs').getBoundingClientRect().width,
    tops: [...document.querySelectorAll('.graph')].map((g) => g.getBoundingClientRect().top)}));
  if (turned.panel !== 844 || turned.tops[0] !== turned.tops[1]) {
    fail(`${name} turned: the panel is ${turned.panel} wide, the charts' tops ${turned.tops}`);
  }
  await page.setViewport({width: 390, height: 844, ...screen});
  await tap(page, '#graphs-close');
  await waitOpen(page, false, `a tap on Close (${name})`);
  await openAndClose(page, name);
  finish(name, errors, await page.evaluate(() => window.__zorva.errors));
  await page.close();
}

function finish(name, errors, hookErrors) {
  for (const error of [...errors, ...hookErrors]) {
    fail(`${name}: ${error}`);
  }
}
