// First the set-up a link carries, with a bad value in it, and the keyboard:
// Tab in the designed order, the bars' keys as on the desktop. Then a
// thousand random events on the page: clicks anywhere (the drawing, the
// buttons, the bars' arrows, tracks and thumbs, the boxes, the readouts),
// keys (the shortcuts, Tab, the bars' keys), drags of a thumb, and resizes of
// the viewport. No script error, no console error, no failed event.
// The sequence is fixed by its seed, so a failure can be replayed.
//
// node random_events_test.mjs SITE_FOLDER [SEED]
import {fail, launch, openPage, serve} from './harness.mjs';

const [site, seedText] = process.argv.slice(2);
const EVENTS = 1000;
let seed = Number(seedText || 21) >>> 0;

// A small fixed generator (mulberry32).
function random() {
  seed = (seed + 0x6d2b79f5) >>> 0;
  let t = seed;
  t = Math.imul(t ^ (t >>> 15), t | 1);
  t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
  return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
}
const pick = (list) => list[Math.floor(random() * list.length)];

const KEYS = ['F5', 'F6', 'F7', 'F8', 'F1', 'Escape', 'Tab', 'Space', 'ArrowLeft', 'ArrowRight',
              'ArrowUp', 'ArrowDown', 'PageUp', 'PageDown', 'Home', 'End', 'KeyT', 'KeyS',
              'KeyN', 'KeyC', 'KeyH', 'KeyG'];
const TARGETS = ['#Command1', '#Command2', '#Command3', '#Command4', '#POLTAX .arrow.down',
                 '#POLTAX .arrow.up', '#vimaxrono .arrow.down', '#vimaxrono .arrow.up',
                 '#klimax .arrow.down', '#klimax .arrow.up', '#POLTAX .track',
                 '#klimax .track', '#Check1', '#Check2', '#Check3', '#Label1', '#Label2',
                 '#graphs-button'];
const SIZES = [[1280, 800], [1920, 1080], [800, 600], [640, 360], [1366, 768], [320, 480]];

const server = await serve(site);
const browser = await launch();
try {
  let [width, height] = [1280, 800];
  const {page, errors} = await openPage(browser, server.url + '?klimax=2&poltax=abc&boxes=force,x',
                                        width, height);
  const value = (id) => page.$eval(id, (bar) => Number(bar.getAttribute('aria-valuenow')));
  const setUp = await page.evaluate(() => ({
    message: document.getElementById('message').textContent,
    boxes: ['Check1', 'Check2', 'Check3'].map((id) => document.getElementById(id).checked),
  }));
  if ((await value('#klimax')) !== 2 || (await value('#POLTAX')) !== 20 ||
      setUp.boxes.join() !== 'true,false,false' || !/poltax=abc/.test(setUp.message) ||
      !/"x"/.test(setUp.message)) {
    fail(`the link's set-up: klimax ${await value('#klimax')}, POLTAX ${await value('#POLTAX')}, ` +
         `boxes ${setUp.boxes}, message "${setUp.message}"`);
  }
  const order = [];
  for (let i = 0; i < 9; ++i) {
    await page.keyboard.press('Tab');
    order.push(await page.evaluate(() => document.activeElement.id));
  }
  const designed = 'Command2,Command3,POLTAX,Command4,vimaxrono,klimax,Check1,Check2,Check3';
  if (order.join() !== designed) {
    fail(`Tab order ${order.join()}, designed ${designed}`);
  }
  await page.focus('#POLTAX');
  const steps = [];
  for (const key of ['ArrowRight', 'ArrowUp', 'PageDown', 'PageUp', 'End', 'Home']) {
    await page.keyboard.press(key);
    steps.push(await value('#POLTAX'));
  }
  if (steps.join() !== '21,20,30,20,100,1') {
    fail(`POLTAX after Right, Up, Page Down, Page Up, End, Home: ${steps.join()}`);
  }
  const counts = {};
  for (let i = 0; i < EVENTS; ++i) {
    const kind = pick(['click', 'click', 'control', 'control', 'key', 'key', 'key', 'drag',
                       'resize', 'wait']);
    counts[kind] = (counts[kind] || 0) + 1;
    if (kind === 'click') {
      await page.mouse.click(Math.floor(random() * width), Math.floor(random() * height),
                             {button: pick(['left', 'left', 'right', 'middle'])});
    } else if (kind === 'control') {
      const element = await page.$(pick(TARGETS));
      const box = element && (await element.boundingBox());
      if (box) {
        await page.mouse.click(box.x + random() * box.width, box.y + random() * box.height);
      }
    } else if (kind === 'key') {
      await page.keyboard.press(pick(KEYS));
    } else if (kind === 'drag') {
      const thumb = await page.$(pick(['#POLTAX .thumb', '#vimaxrono .thumb', '#klimax .thumb']));
      const box = thumb && (await thumb.boundingBox());
      if (box) {
        await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
        await page.mouse.down();
        await page.mouse.move(box.x + (random() - 0.5) * 400, box.y + box.height / 2,
                              {steps: 3});
        await page.mouse.up();
      }
    } else if (kind === 'resize') {
      [width, height] = pick(SIZES);
      await page.setViewport({width, height});
    } else {
      await new Promise((resolve) => setTimeout(resolve, random() * 50));
    }
  }
  // The run goes on after the events; a few frames must pass cleanly too.
  const frames = await page.evaluate(() => window.__zorva.frames);
  await page.waitForFunction((after) => window.__zorva.frames >= after, {timeout: 30000},
                             frames + 10);
  const state = await page.evaluate(() => window.__zorva.state());
  const hookErrors = await page.evaluate(() => window.__zorva.errors);
  console.log(`${EVENTS} events (${JSON.stringify(counts)}); ${state.stepCount} steps in the ` +
              `last run, ${state.failures} failed events, ${errors.length} errors`);
  if (state.failures !== 0) {
    fail(`${state.failures} events failed in the form`);
  }
  for (const error of [...errors, ...hookErrors]) {
    fail(error);
  }
} finally {
  await browser.close();
  server.close();
}
