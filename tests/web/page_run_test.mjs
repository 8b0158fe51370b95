// The page against the desktop program, for three runs: "Time on" pressed and
// the run left to stop at the summit. The page's ticks must be the
// desktop's, its final state within 1e-12 relative, and its picture the
// desktop's pixel for pixel outside the labels' boxes (the labels are
// printed by each front end's own text rasteriser). Between them the runs
// draw dots, dash-dot strokes and circles larger than the screen; the last
// at density 2, against the desktop's picture at two device pixels a pixel.
//
// node page_run_test.mjs SITE_FOLDER DESKTOP_ZORVA SCRATCH_FOLDER
import {execFileSync} from 'node:child_process';
import {existsSync, mkdirSync, readFileSync, writeFileSync} from 'node:fs';
import {join} from 'node:path';
import {SKIP, fail, launch, openPage, serve} from './harness.mjs';

const [site, desktop, scratch] = process.argv.slice(2);
const RELATIVE = 1e-12;

// The first run sets POLTAX with the bar's arrow; the others from the address.
const RUNS = [
  {name: 'poltax10', width: 1280, height: 800, poltax: 10, arrow: true,
   boxes: 'force,velocity,weight', options: ['--force-components', '--velocity-components',
                                             '--weight-reaction']},
  {name: 'poltax30-klimax4', width: 1024, height: 768, poltax: 30, klimax: 4,
   boxes: 'velocity', options: ['--velocity-components', '--klimax', '4']},
  {name: 'poltax20-vimaxrono3', width: 1600, height: 900, poltax: 20, vimaxrono: 3,
   boxes: 'force,weight', options: ['--force-components', '--weight-reaction',
                                    '--vimaxrono', '3']},
  {name: 'poltax15-density2', width: 1100, height: 700, poltax: 15, scale: 2,
   boxes: 'force,velocity,weight', options: ['--force-components', '--velocity-components',
                                             '--weight-reaction', '--density', '2']},
];

if (!desktop || !existsSync(desktop)) {
  console.log(`SKIP: no desktop program to compare with (${desktop || 'none given'})`);
  process.exit(SKIP);
}
mkdirSync(scratch, {recursive: true});
const server = await serve(site);
const browser = await launch();
try {
  for (const run of RUNS) {
    await compare(run);
  }
} finally {
  await browser.close();
  server.close();
}

async function compare(run) {
  const {width: WIDTH, height: HEIGHT} = run;
  const desktopCsv = join(scratch, `${run.name}-desktop.csv`);
  const desktopPng = join(scratch, `${run.name}-desktop.png`);
  execFileSync(desktop, ['--poltax', String(run.poltax), ...run.options, '--csv', desktopCsv,
                         '--png', desktopPng, '--size', `${WIDTH}x${HEIGHT}`],
               {env: {...process.env, QT_QPA_PLATFORM: 'offscreen'}, stdio: 'inherit'});
  let query = `?boxes=${run.boxes}`;
  for (const name of ['klimax', 'vimaxrono']) {
    query += run[name] ? `&${name}=${run[name]}` : '';
  }
  query += run.arrow ? '' : `&poltax=${run.poltax}`;
  const {page, errors} = await openPage(browser, server.url + query, WIDTH, HEIGHT,
                                        {deviceScaleFactor: run.scale || 1});
  if (run.arrow) {
    // POLTAX starts at 20: ten clicks on its left arrow.
    const arrow = await page.$('#POLTAX .arrow.down');
    for (let i = 0; i < 20 - run.poltax; ++i) {
      await arrow.click();
    }
  }
  const poltax = await page.$eval('#POLTAX', (bar) => bar.getAttribute('aria-valuenow'));
  if (poltax !== String(run.poltax)) {
    fail(`${run.name}: POLTAX reads ${poltax}, not ${run.poltax}`);
  }
  await page.click('#Command1');
  await page.waitForFunction(() => {
    const s = window.__zorva.state();
    return !s.running && s.stepCount > 0;
  }, {timeout: 60000, polling: 50});
  const state = await page.evaluate(() => window.__zorva.state());
  const pageCsv = await page.evaluate(() => window.__zorva.csv());
  writeFileSync(join(scratch, `${run.name}-page.csv`), pageCsv);

  // --- the run ---
  const rows = (text) => text.trim().split('\n');
  const wanted = rows(readFileSync(desktopCsv, 'utf8'));
  const got = rows(pageCsv);
  if (got[0] !== wanted[0]) {
    fail(`CSV header differs:\n  page    ${got[0]}\n  desktop ${wanted[0]}`);
  }
  const last = (lines) => lines[lines.length - 1].split(',').map(Number);
  const desktopLast = last(wanted);
  const pageLast = last(got);
  const ticks = desktopLast[10];
  if (state.stepCount !== ticks || pageLast[10] !== ticks || got.length !== wanted.length) {
    fail(`ticks: page ${state.stepCount} (${got.length - 1} rows), desktop ${ticks} ` +
         `(${wanted.length - 1} rows)`);
  }
  const names = wanted[0].split(',');
  let worst = 0;
  for (let i = 0; i < 10; ++i) {
    const scale = Math.max(Math.abs(desktopLast[i]), Number.MIN_VALUE);
    const relative = Math.abs(pageLast[i] - desktopLast[i]) / scale;
    worst = Math.max(worst, relative);
    if (!(relative <= RELATIVE)) {
      fail(`final ${names[i]}: page ${pageLast[i]}, desktop ${desktopLast[i]}`);
    }
  }
  // Where both hold the same number, both must spell it alike.
  for (let row = 1; row < Math.min(got.length, wanted.length); ++row) {
    const a = got[row].split(',');
    const b = wanted[row].split(',');
    const spelt = a.findIndex((text, i) => Number(text) === Number(b[i]) && text !== b[i]);
    if (spelt >= 0) {
      fail(`row ${row}: ${names[spelt]} spelt ${a[spelt]} by the page, ${b[spelt]} by the desktop`);
      break;
    }
  }
  console.log(`${run.name}: ${ticks} ticks on both; final state agrees to ${worst.toExponential(2)} ` +
              `relative; CSV ${pageCsv === readFileSync(desktopCsv, 'utf8') ? 'identical' :
                                  'differs in some digits'}`);

  // --- the picture ---
  const png = readFileSync(desktopPng).toString('base64');
  const result = await page.evaluate(async (png) => {
    const image = new Image();
    image.src = 'data:image/png;base64,' + png;
    await image.decode();
    const canvas = document.createElement('canvas');
    canvas.width = image.width;
    canvas.height = image.height;
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    const wanted = context.getImageData(0, 0, image.width, image.height);
    const got = window.__zorva.pixels();
    if (got.width !== image.width || got.height !== image.height) {
      return {size: `${got.width}x${got.height} against ${image.width}x${image.height}`};
    }
    const inLabel = new Uint8Array(got.width * got.height);
    for (const [left, top, width, height] of window.__zorva.textBoxes()) {
      for (let y = Math.max(top, 0); y < Math.min(top + height, got.height); ++y) {
        inLabel.fill(1, y * got.width + Math.max(left, 0), y * got.width +
                     Math.min(left + width, got.width));
      }
    }
    // The differences, red on grey, for a person to look at.
    const diff = context.createImageData(got.width, got.height);
    let outside = 0;
    let inside = 0;
    for (let i = 0; i < got.width * got.height; ++i) {
      const same = [0, 1, 2].every((c) => got.data[i * 4 + c] === wanted.data[i * 4 + c]);
      const grey = 255 - (255 - got.data[i * 4 + 1]) / 4;
      diff.data.set(same ? [grey, grey, grey, 255] : inLabel[i] ? [0, 0, 255, 255] :
                    [255, 0, 0, 255], i * 4);
      if (!same) {
        inLabel[i] ? ++inside : ++outside;
      }
    }
    context.putImageData(diff, 0, 0);
    return {outside, inside, diff: canvas.toDataURL('image/png').split(',')[1]};
  }, png);
  if (result.size) {
    fail(`picture size: page ${result.size}`);
  } else {
    const map = join(scratch, `${run.name}-difference.png`);
    writeFileSync(map, Buffer.from(result.diff, 'base64'));
    console.log(`${run.name}: ${result.outside} pixels differ outside the labels' boxes, ` +
                `${result.inside} inside (map: ${map})`);
    if (result.outside !== 0) {
      fail(`${result.outside} pixels differ from the desktop's outside the labels' boxes`);
    }
  }
  if (state.failures !== 0) {
    fail(`${state.failures} events failed in the page`);
  }
  for (const error of errors) {
    fail(error);
  }
  await page.close();
}
