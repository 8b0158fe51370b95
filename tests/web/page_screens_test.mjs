// The page on every screen a class has: phones and tablets in both
// orientations (touch, density 3 and 2) and desktops. At each: every control
// visible and reached by a click at its centre, a finger's room where touch
// is used, nothing scrolling sideways, the readouts whole, the canvas drawn
// at the screen's density, and no accessibility fault axe-core knows (but
// the drawing's own design colours). On the phone a finger drags a thumb to
// its end and holds an arrow, the phone turns, and a POLTAX 10 run reaches
// the summit. On the desktop: the help is a modal dialog, letter keys work
// with Caps Lock on, the address follows the bars, a screen reader hears a
// changed readout, a message can be closed, and a CSV cut short says so.
//
// node page_screens_test.mjs SITE_FOLDER
import {readFileSync} from 'node:fs';
import {createRequire} from 'node:module';
import {SKIP, fail, launch, openPage, serve} from './harness.mjs';

const [site] = process.argv.slice(2);
const TARGET = 44;
const SCREENS = [
  {name: 'phone', width: 390, height: 844, scale: 3, touch: true},
  {name: 'phone turned', width: 844, height: 390, scale: 3, touch: true},
  {name: 'tablet', width: 820, height: 1180, scale: 2, touch: true},
  {name: 'tablet turned', width: 1180, height: 820, scale: 2, touch: true},
  {name: 'laptop', width: 1024, height: 768, scale: 1, touch: false},
  {name: 'laptop wide', width: 1366, height: 768, scale: 1, touch: false},
  {name: 'desktop', width: 1920, height: 1080, scale: 1, touch: false},
];

let axeSource;
try {
  axeSource = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
} catch {
  console.log('SKIP: axe-core is not installed (npm ci in the source folder)');
  process.exit(SKIP);
}

// What a screen shows of the controls, measured in the page.
function measure() {
  const controls = ['Command1', 'Command2', 'Command3', 'Command4', 'POLTAX', 'vimaxrono',
                    'klimax', 'Label1', 'Label2', 'Label3', 'Check1', 'Check2', 'Check3'];
  const seen = controls.map((id) => {
    let element = document.getElementById(id);
    if (element.type === 'checkbox') {
      element = element.parentElement;
    }
    const box = element.getBoundingClientRect();
    const hit = document.elementFromPoint(box.left + box.width / 2, box.top + box.height / 2);
    const readout = element.classList.contains('readout');
    return {
      id, width: box.width, height: box.height,
      inside: box.left >= 0 && box.top >= 0 && box.right <= innerWidth + 0.5 &&
              box.bottom <= innerHeight + 0.5,
      reached: hit !== null && (hit === element || element.contains(hit)),
      whole: !readout || (element.scrollWidth <= element.clientWidth + 1 &&
                          element.scrollHeight <= element.clientHeight + 1),
    };
  });
  // What a finger presses: buttons, the bars' arrows and thumbs, the boxes, the tools.
  const targets = [...document.querySelectorAll(
    'button.control, .bar .arrow, .bar .thumb, label.box, #tools button')].map((element) => {
    const box = element.getBoundingClientRect();
    return {name: element.id || element.className || element.textContent,
            width: box.width, height: box.height};
  });
  const canvas = document.getElementById('drawing');
  return {
    seen, targets,
    sideways: document.documentElement.scrollWidth > innerWidth,
    canvas: {width: canvas.width, height: canvas.height, css: [canvas.clientWidth,
                                                               canvas.clientHeight]},
    ratio: devicePixelRatio,
  };
}

function open(browser, server, screen, query = '') {
  return openPage(browser, server.url + query, screen.width, screen.height,
                  {deviceScaleFactor: screen.scale, isMobile: screen.touch,
                   hasTouch: screen.touch});
}

function checkScreen(screen, shown) {
  const where = screen.name;
  for (const control of shown.seen) {
    if (!control.inside || !control.reached) {
      fail(`${where}: ${control.id} is ${control.inside ? 'covered' : 'not wholly in sight'}`);
    }
    if (!control.whole) {
      fail(`${where}: the readout ${control.id} is cut short`);
    }
  }
  if (screen.touch) {
    for (const target of shown.targets) {
      if (target.width < TARGET - 0.5 || target.height < TARGET - 0.5) {
        fail(`${where}: ${target.name} is ${target.width.toFixed(0)}x${target.height.toFixed(0)}` +
             `, smaller than a finger's ${TARGET}x${TARGET}`);
      }
    }
  }
  if (shown.sideways) {
    fail(`${where}: the page scrolls sideways`);
  }
  const [cssWidth, cssHeight] = shown.canvas.css;
  const device = (css) => Math.ceil(css * shown.ratio - 1e-9);
  if (shown.canvas.width !== device(cssWidth) || shown.canvas.height !== device(cssHeight)) {
    fail(`${where}: the canvas holds ${shown.canvas.width}x${shown.canvas.height} pixels for ` +
         `${cssWidth}x${cssHeight} CSS pixels at density ${shown.ratio}`);
  }
}

async function checkAccessibility(page, where) {
  await page.addScriptTag({content: axeSource});
  const violations = await page.evaluate(async () => {
    const result = await window.axe.run(document, {
      runOnly: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'],
    });
    return result.violations.map((v) => ({id: v.id, nodes: v.nodes.map((n) => n.target.join(' '))}));
  });
  for (const violation of violations) {
    // The drawing's colours are the program's own design.
    const nodes = violation.nodes.filter((node) => !node.includes('#drawing'));
    if (violation.id !== 'color-contrast' || nodes.length > 0) {
      fail(`${where}: axe-core finds ${violation.id} at ${nodes.join(', ')}`);
    }
  }
}

// The centre of an element's box in CSS pixels.
const centreOf = (page, selector) => page.$eval(selector, (element) => {
  const box = element.getBoundingClientRect();
  return {x: box.left + box.width / 2, y: box.top + box.height / 2, right: box.right};
});

async function checkDesktopManners(screen) {
  const {page, errors} = await open(browser, server, screen);
  const inHelp = () => page.evaluate(() => document.getElementById('help').contains(
    document.activeElement));
  await page.keyboard.press('F1');
  await page.waitForFunction(() => document.getElementById('help').open, {timeout: 10000});
  for (let i = 0; i < 6; ++i) {
    await page.keyboard.press('Tab');
    if (!(await inHelp())) {
      fail('Tab took the focus out of the help');
    }
  }
  await page.keyboard.press('t');
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => !document.getElementById('help').open, {timeout: 10000});
  const after = await page.evaluate(() => [window.__zorva.state().stepCount,
                                           document.activeElement.id]);
  if (after[0] !== 0 || after[1] !== 'Command1') {
    fail(`behind the help "t" ran ${after[0]} ticks; Escape gave the focus to "${after[1]}"`);
  }
  // Caps Lock on: "T" is "t", and starts the run.
  await page.evaluate(() => document.dispatchEvent(new KeyboardEvent('keydown', {key: 'T'})));
  await page.waitForFunction(() => window.__zorva.state().stepCount > 0, {timeout: 10000});
  await page.keyboard.press('s');
  // The address follows the bar; a screen reader hears the new readout once.
  await page.focus('#POLTAX');
  await page.keyboard.press('Home');
  await page.waitForFunction(() => window.location.search === '?poltax=1', {timeout: 10000});
  await page.waitForFunction(
    () => document.getElementById('announce').textContent.startsWith('Velocity x =  0.1'),
    {timeout: 10000});
  // A run kept only in part says so where it is saved; the message closes.
  await page.evaluate(() => {
    window.__zorva.runTicks(0);
  });
  await page.keyboard.press('t');
  await page.evaluate(() => window.__zorva.runTicks(10500));
  await page.keyboard.press('s');
  const client = await page.target().createCDPSession();
  await client.send('Browser.setDownloadBehavior', {behavior: 'deny'});
  await page.keyboard.press('d');
  await page.waitForFunction(() => document.getElementById('message-text').textContent
    .includes('the first 10,000 ticks only'), {timeout: 10000});
  await page.click('#message-close');
  if (!(await page.$eval('#message', (m) => m.hidden))) {
    fail('the message did not close');
  }
  for (const error of errors) {
    fail(`${screen.name}: ${error}`);
  }
  console.log('desktop: the help, the keys, the address, the readouts, the messages');
  await page.close();
}

const server = await serve(site);
const browser = await launch();
try {
  for (const screen of SCREENS) {
    const {page, errors} = await open(browser, server, screen, '?poltax=25');
    checkScreen(screen, await page.evaluate(measure));
    await checkAccessibility(page, screen.name);
    for (const error of errors) {
      fail(`${screen.name}: ${error}`);
    }
    console.log(`${screen.name}: checked`);
    await page.close();
  }

  await checkDesktopManners(SCREENS[SCREENS.length - 1]);

  const phone = SCREENS[0];
  const {page, errors} = await open(browser, server, phone);
  // A finger drags the launch-speed thumb to the bar's end.
  const thumb = await centreOf(page, '#POLTAX .thumb');
  const track = await centreOf(page, '#POLTAX .track');
  await page.evaluate(() => {
    window.__cancelled = 0;
    document.addEventListener('pointercancel', () => ++window.__cancelled, true);
  });
  await page.touchscreen.touchStart(thumb.x, thumb.y);
  for (let x = thumb.x; x < track.right + 40; x += 12) {
    await page.touchscreen.touchMove(x, thumb.y);
  }
  await page.touchscreen.touchEnd();
  const dragged = await page.evaluate(() => [
    document.getElementById('POLTAX').getAttribute('aria-valuenow'), window.__cancelled]);
  if (dragged[0] !== '100' || dragged[1] !== 0) {
    fail(`a finger dragged the thumb to ${dragged[0]} (not 100), the browser cancelling ` +
         `${dragged[1]} times`);
  }
  // A finger held on the left arrow steps again and again.
  const arrow = await centreOf(page, '#POLTAX .arrow.down');
  await page.touchscreen.touchStart(arrow.x, arrow.y);
  await page.waitForFunction(
    () => Number(document.getElementById('POLTAX').getAttribute('aria-valuenow')) <= 90,
    {timeout: 20000, polling: 20});
  await page.touchscreen.touchEnd();
  console.log('phone: a thumb dragged to its end, an arrow held');

  // The phone turned with no run going: the picture starts anew for the new
  // shape, its axes down to the new bottom row.
  await page.setViewport({width: phone.height, height: phone.width, deviceScaleFactor: 3,
                          isMobile: true, hasTouch: true});
  await page.waitForFunction(() => document.body.classList.contains('landscape') &&
                                   document.getElementById('drawing').clientHeight === innerHeight,
                             {timeout: 20000});
  await page.waitForFunction(() => {
    // The vertical axis reaches the drawing's lowest row.
    const {width, height, data} = window.__zorva.pixels();
    const row = (height - 1) * width * 4;
    for (let x = 0; x < width; ++x) {
      if (data[row + x * 4] < 100) {
        return true;
      }
    }
    return false;
  }, {timeout: 20000, polling: 100});
  console.log('phone turned: the picture starts anew for its shape');

  // A whole POLTAX 10 run by taps, to the summit.
  await page.goto(server.url + '?poltax=10', {waitUntil: 'load'});
  await page.waitForFunction(() => window.__zorva && window.__zorva.ready, {timeout: 30000});
  const start = await centreOf(page, '#Command1');
  await page.touchscreen.tap(start.x, start.y);
  await page.waitForFunction(() => {
    const s = window.__zorva.state();
    return !s.running && s.stepCount > 2000;
  }, {timeout: 60000, polling: 100});
  const state = await page.evaluate(() => window.__zorva.state());
  if (Math.abs(state.y - 1 / 19.62) > 0.001 / 19.62 || state.failures !== 0) {
    fail(`the run stopped at y = ${state.y} with ${state.failures} failed events`);
  }
  console.log(`phone turned: a POLTAX 10 run reached the summit in ${state.stepCount} ticks`);
  for (const error of errors) {
    fail(error);
  }
} finally {
  await browser.close();
  server.close();
}
