// The page: builds the window's controls as HTML elements, feeds the user's
// input to the form in the module, and copies the drawing into the canvas.
// The form, its handlers, the tick and the pixels all live in the module; this
// script only shows them and passes events in.
'use strict';

(function () {
  const FONT = '12px sans-serif';
  const BOLD_FONT = 'bold 12px sans-serif';
  // Room round a button's caption and a readout's text, as on the desktop.
  const BUTTON_TEXT_MARGIN = 16;
  const READOUT_TEXT_MARGIN = 2;
  // A held bar arrow repeats after this delay, at this pace.
  const REPEAT_DELAY_MS = 300;
  const REPEAT_MS = 50;

  const BUTTONS = [0, 1, 2, 3];
  const BARS = [4, 5, 6];
  const READOUTS = [7, 8, 9];
  const BOXES = [10, 11, 12];

  // The URL's set-up: ?poltax=10&vimaxrono=1&klimax=1&boxes=force,velocity,weight
  const URL_BARS = [['klimax', 6], ['vimaxrono', 5], ['poltax', 4]];
  const URL_BOXES = {force: 10, velocity: 11, weight: 12};

  const canvas = document.getElementById('drawing');
  const context = canvas.getContext('2d');
  const controlsLayer = document.getElementById('controls');
  const message = document.getElementById('message');
  const help = document.getElementById('help');
  const measure = document.createElement('canvas').getContext('2d');

  const hook = {ready: false, errors: [], ticks: 0, frames: 0, firstFrameMs: null};
  window.__zorva = hook;

  let M = null;
  // The page in the module: every entry point takes it.
  let P = 0;
  const elements = [];
  const placesOfBoxes = [];
  let clientWidth = 1;
  let clientHeight = 1;
  let copyAll = true;

  function showMessage(text) {
    message.textContent = text;
    message.hidden = false;
  }

  window.addEventListener('error', (event) => {
    hook.errors.push(String(event.message));
    showMessage('ZORVA stopped working: ' + event.message);
  });

  // --- The labels' text, by the browser's own rasteriser ---------------------
  const textCanvas = document.createElement('canvas');
  const textContext = textCanvas.getContext('2d', {willReadFrequently: true});
  textContext.font = FONT;
  const lineMetrics = textContext.measureText('Hg');
  const ascent = lineMetrics.fontBoundingBoxAscent;
  const lineHeight = ascent + lineMetrics.fontBoundingBoxDescent;

  const zorvaText = {
    last: null,
    lineHeight() {
      return lineHeight;
    },
    // Prints text black on nothing and keeps its coverage: the module blends
    // it into the drawing in the label's colour.
    rasterise(text, bold) {
      textContext.font = bold ? BOLD_FONT : FONT;
      // Glyphs may reach a little beyond the text's advance on either side.
      const overhang = Math.ceil(lineHeight / 2);
      const width = Math.ceil(textContext.measureText(text).width) + 2 * overhang;
      const height = Math.ceil(lineHeight);
      if (width <= 0 || height <= 0) {
        return 0;
      }
      textCanvas.width = width;
      textCanvas.height = height;
      textContext.font = bold ? BOLD_FONT : FONT;
      textContext.fillStyle = '#000';
      textContext.textBaseline = 'alphabetic';
      textContext.fillText(text, overhang, ascent);
      const rgba = textContext.getImageData(0, 0, width, height).data;
      const alpha = new Uint8Array(width * height);
      for (let i = 0; i < alpha.length; ++i) {
        alpha[i] = rgba[i * 4 + 3];
      }
      this.last = {width, height, originX: overhang, alpha};
      return 1;
    },
  };

  // --- Controls ---------------------------------------------------------------
  // A control's text from the module: 0 its name, 1 its caption, 2 its
  // accessible name, 3 its description.
  function controlText(index, what) {
    return M.UTF8ToString(M._zorva_control_text(P, index, what));
  }

  function caption(index) {
    return controlText(index, 1);
  }

  function textWidth(text, font) {
    measure.font = font;
    return Math.ceil(measure.measureText(text).width);
  }

  function describe(element, index) {
    element.setAttribute('aria-label', controlText(index, 2));
    element.setAttribute('aria-description', controlText(index, 3));
    element.title = controlText(index, 3);
  }

  function makeButton(index) {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'control';
    button.id = controlText(index, 0);
    button.addEventListener('click', () => dispatch(() => M._zorva_press(P, index)));
    return button;
  }

  function makeBar(index) {
    const bar = document.createElement('div');
    bar.className = 'control bar';
    bar.id = controlText(index, 0);
    bar.tabIndex = 0;
    bar.setAttribute('role', 'scrollbar');
    bar.setAttribute('aria-orientation', 'horizontal');
    const down = document.createElement('button');
    down.type = 'button';
    down.className = 'arrow down';
    down.tabIndex = -1;
    down.textContent = '\u25c0';
    down.setAttribute('aria-hidden', 'true');
    const track = document.createElement('div');
    track.className = 'track';
    const thumb = document.createElement('div');
    thumb.className = 'thumb';
    track.appendChild(thumb);
    const up = document.createElement('button');
    up.type = 'button';
    up.className = 'arrow up';
    up.tabIndex = -1;
    up.textContent = '\u25b6';
    up.setAttribute('aria-hidden', 'true');
    bar.append(down, track, up);

    const get = (what) => M._zorva_bar(P, index, what);
    const set = (value) => dispatch(() => M._zorva_set_bar(P, index, value));
    const step = (sign, large) => set(get(4) + sign * get(large ? 3 : 2));

    // A held arrow or track repeats its step, as a desktop bar does.
    let repeat = null;
    const stopRepeat = () => {
      clearTimeout(repeat);
      clearInterval(repeat);
      repeat = null;
    };
    const holdToRepeat = (action) => {
      stopRepeat();
      action();
      repeat = setTimeout(() => {
        repeat = setInterval(action, REPEAT_MS);
      }, REPEAT_DELAY_MS);
    };
    for (const [arrow, sign] of [[down, -1], [up, 1]]) {
      arrow.addEventListener('mousedown', (event) => {
        event.preventDefault();
        bar.focus();
        if (event.button === 0) {
          holdToRepeat(() => step(sign, false));
        }
      });
    }
    track.addEventListener('mousedown', (event) => {
      event.preventDefault();
      bar.focus();
      if (event.button !== 0 || event.target === thumb) {
        return;
      }
      const thumbBox = thumb.getBoundingClientRect();
      const sign = event.clientX < thumbBox.left ? -1 : 1;
      holdToRepeat(() => step(sign, true));
    });
    for (const end of ['mouseup', 'mouseleave']) {
      down.addEventListener(end, stopRepeat);
      up.addEventListener(end, stopRepeat);
      track.addEventListener(end, stopRepeat);
    }
    thumb.addEventListener('pointerdown', (event) => {
      event.preventDefault();
      bar.focus();
      thumb.setPointerCapture(event.pointerId);
      const startX = event.clientX;
      const startValue = get(4);
      const move = (e) => {
        const free = track.clientWidth - thumb.offsetWidth;
        const range = get(1) - get(0);
        if (free > 0) {
          set(startValue + Math.round(((e.clientX - startX) / free) * range));
        }
      };
      const end = () => {
        thumb.removeEventListener('pointermove', move);
        thumb.removeEventListener('pointerup', end);
        thumb.removeEventListener('pointercancel', end);
      };
      thumb.addEventListener('pointermove', move);
      thumb.addEventListener('pointerup', end);
      thumb.addEventListener('pointercancel', end);
    });
    // Left and Up step down, Right and Down step up, as on the desktop.
    bar.addEventListener('keydown', (event) => {
      if (event.ctrlKey || event.altKey || event.metaKey) {
        return;
      }
      const actions = {
        ArrowLeft: () => step(-1, false),
        ArrowUp: () => step(-1, false),
        ArrowRight: () => step(1, false),
        ArrowDown: () => step(1, false),
        PageUp: () => step(-1, true),
        PageDown: () => step(1, true),
        Home: () => set(get(0)),
        End: () => set(get(1)),
      };
      if (actions[event.key]) {
        event.preventDefault();
        actions[event.key]();
      }
    });
    bar.showValue = () => {
      const min = get(0);
      const max = get(1);
      const page = get(3);
      const value = get(4);
      bar.setAttribute('aria-valuemin', min);
      bar.setAttribute('aria-valuemax', max);
      bar.setAttribute('aria-valuenow', value);
      // The thumb's share of the track is the large change's share of the
      // range, as on the desktop.
      const trackWidth = track.clientWidth;
      const thumbWidth = Math.max(8, Math.round((trackWidth * page) / (max - min + page)));
      const left = max > min ? ((value - min) / (max - min)) * (trackWidth - thumbWidth) : 0;
      thumb.style.width = thumbWidth + 'px';
      thumb.style.left = Math.round(left) + 'px';
    };
    return bar;
  }

  function makeReadout(index) {
    const readout = document.createElement('div');
    readout.className = 'control readout';
    readout.id = controlText(index, 0);
    readout.setAttribute('role', 'status');
    const text = document.createElement('span');
    readout.appendChild(text);
    // A click on a readout is not a click on the drawing.
    readout.addEventListener('mousedown', (event) => event.stopPropagation());
    return readout;
  }

  function makeBox(index) {
    const which = index - 10;
    const label = document.createElement('label');
    label.className = 'control box';
    const input = document.createElement('input');
    input.type = 'checkbox';
    input.id = controlText(index, 0);
    const text = document.createElement('span');
    label.append(input, text);
    input.addEventListener('change', () =>
      dispatch(() => M._zorva_set_box(P, index, input.checked ? 1 : 0)));
    // The rest of the box's designed place toggles it too.
    const place = document.createElement('div');
    place.className = 'control box-place';
    place.addEventListener('click', () => input.click());
    placesOfBoxes[which] = place;
    label.input = input;
    return label;
  }

  function buildControls() {
    for (let i = 0; i < 13; ++i) {
      let element;
      if (BUTTONS.includes(i)) {
        element = makeButton(i);
      } else if (BARS.includes(i)) {
        element = makeBar(i);
      } else if (READOUTS.includes(i)) {
        element = makeReadout(i);
      } else {
        element = makeBox(i);
      }
      describe(BOXES.includes(i) ? element.input : element, i);
      elements[i] = element;
    }
    // Tab visits the controls in their designed order: the document's order.
    const order = [...Array(13).keys()].sort(
      (a, b) => M._zorva_control_tab_index(P, a) - M._zorva_control_tab_index(P, b));
    controlsLayer.append(...placesOfBoxes);
    for (const i of order) {
      controlsLayer.appendChild(elements[i]);
    }
  }

  // Captions, values and places, from the form.
  function syncControls() {
    for (const i of BUTTONS) {
      elements[i].textContent = caption(i);
      M._zorva_set_needed(P, i, textWidth(caption(i), FONT) + BUTTON_TEXT_MARGIN, 0);
    }
    for (const i of READOUTS) {
      elements[i].firstChild.textContent = caption(i);
      M._zorva_set_needed(P, i, textWidth(caption(i), FONT) + 2 * READOUT_TEXT_MARGIN,
                          Math.ceil(lineHeight) + READOUT_TEXT_MARGIN);
    }
    for (const i of BOXES) {
      const box = elements[i];
      box.lastChild.textContent = caption(i);
      box.input.checked = M._zorva_box(P, i) === 1;
      box.style.width = 'auto';
      box.style.height = 'auto';
      M._zorva_set_needed(P, i, Math.ceil(box.offsetWidth), Math.ceil(box.offsetHeight));
    }
    const at = M._zorva_place_controls(P, clientWidth, clientHeight) / 4;
    const places = M.HEAP32.subarray(at, at + 64);
    const put = (element, k) => {
      const [left, top, width, height] = places.subarray(k * 4, k * 4 + 4);
      element.style.left = left + 'px';
      element.style.top = top + 'px';
      element.style.width = width + 'px';
      element.style.height = height + 'px';
    };
    for (let i = 0; i < 13; ++i) {
      put(BOXES.includes(i) ? placesOfBoxes[i - 10] : elements[i], i);
    }
    for (const i of BOXES) {
      put(elements[i], 13 + i - 10);
    }
    for (const i of BARS) {
      elements[i].showValue();
    }
  }

  // --- Events -----------------------------------------------------------------
  function dispatch(handler) {
    handler();
    if (M._zorva_take_view_changed(P)) {
      syncControls();
    }
  }

  function pressButton(index) {
    elements[index].click();
  }

  function sizeToViewport() {
    clientWidth = Math.max(1, window.innerWidth);
    clientHeight = Math.max(1, window.innerHeight);
    // Setting a canvas's size, even to the size it has, gives it new memory.
    if (canvas.width !== clientWidth || canvas.height !== clientHeight) {
      canvas.width = clientWidth;
      canvas.height = clientHeight;
    }
    canvas.style.width = clientWidth + 'px';
    canvas.style.height = clientHeight + 'px';
    copyAll = true;
  }

  // The browser sets up the memory it shows a changing canvas from over the
  // first few frames that change it: on a slow processor that takes a
  // quarter of a second a frame, which a run's first frames would lose. It is
  // done while the module loads, with frames that change one white pixel,
  // and the drawing is copied only once it is done.
  const PRIMING_FRAMES = 3;
  let primingFramesLeft = PRIMING_FRAMES;

  function primeCanvas() {
    context.fillStyle = '#fff';
    context.fillRect(0, 0, 1, 1);
    if (--primingFramesLeft > 0) {
      requestAnimationFrame(primeCanvas);
    }
  }

  // What of the drawing changed, once an animation frame. The module gives
  // boxes a band of rows high; boxes of a band with less than this between
  // them are copied as one, as a copy costs about as much as a few thousand
  // pixels.
  const COPY_MERGE_GAP_PX = 192;

  function copyDrawing() {
    if (primingFramesLeft > 0) {
      return false;
    }
    const at = M._zorva_take_changed_boxes(P) / 4;
    const count = M.HEAP32[at];
    const width = M._zorva_image_width(P);
    const imageHeight = M._zorva_image_height(P);
    const shownWidth = Math.min(width, canvas.width);
    const shownHeight = Math.min(imageHeight, canvas.height);
    if (count === 0 && !copyAll) {
      return false;
    }
    // The image in the module's memory, as it is: no copy is made here.
    const image = new ImageData(
      new Uint8ClampedArray(M.HEAPU8.buffer, M._zorva_pixels(P), width * imageHeight * 4),
      width, imageHeight);
    const copy = (left, top, right, bottom) => {
      const w = Math.min(right, shownWidth) - left;
      const h = Math.min(bottom, shownHeight) - top;
      if (w > 0 && h > 0) {
        context.putImageData(image, 0, 0, left, top, w, h);
      }
    };
    if (copyAll) {
      copyAll = false;
      copy(0, 0, shownWidth, shownHeight);
      return true;
    }
    const boxes = M.HEAP32;
    let left = boxes[at + 1];
    let top = boxes[at + 2];
    let right = left + boxes[at + 3];
    let bottom = top + boxes[at + 4];
    for (let i = at + 5; i < at + 1 + count * 4; i += 4) {
      if (boxes[i + 1] === top && boxes[i] - right < COPY_MERGE_GAP_PX) {
        right = boxes[i] + boxes[i + 2];
        continue;
      }
      copy(left, top, right, bottom);
      left = boxes[i];
      top = boxes[i + 1];
      right = left + boxes[i + 2];
      bottom = top + boxes[i + 3];
    }
    copy(left, top, right, bottom);
    return true;
  }

  // The browser compiles the module's code with a quick compiler first and
  // optimises a function only once it has run often: the first ticks of the
  // first run cost some twenty times what later ones do, enough to lose the
  // first quarter second of a run. A hidden second page, run through some
  // ticks after this one shows, makes the tick's code ready before the
  // user's first "Time on"; a few milliseconds' worth a frame even before
  // the code is optimised.
  const WARM_UP_WIDTH = 640;
  const WARM_UP_HEIGHT = 400;
  const WARM_UP_TICKS = 600;
  const WARM_UP_TICKS_PER_FRAME = 10;
  let warmUp = null;
  let warmUpTicksLeft = WARM_UP_TICKS;

  function warmUpStep() {
    if (warmUp === null) {
      warmUp = M._zorva_start(WARM_UP_WIDTH, WARM_UP_HEIGHT);
      M._zorva_keep_no_data(warmUp);
      for (const i of BOXES) {
        M._zorva_set_box(warmUp, i, 1);
      }
    }
    warmUpTicksLeft -= M._zorva_run_ticks(warmUp, Math.min(WARM_UP_TICKS_PER_FRAME,
                                                           warmUpTicksLeft), 1);
    if (warmUpTicksLeft <= 0) {
      M._zorva_stop(warmUp);
      warmUp = null;
    }
  }

  function frame() {
    const wasRunning = M._zorva_state(P, 5) === 1;
    hook.ticks += M._zorva_frame(P);
    if (wasRunning && M._zorva_state(P, 5) !== 1) {
      hook.stoppedAt = performance.now();
    }
    if (copyDrawing() && hook.firstFrameMs === null) {
      hook.firstFrameMs = performance.now();
    }
    if (M._zorva_take_view_changed(P)) {
      syncControls();
    }
    // A run under way makes the code ready itself, and its frames have no
    // time to spare.
    if (warmUpTicksLeft > 0 && hook.firstFrameMs !== null && M._zorva_state(P, 5) !== 1) {
      warmUpStep();
    }
    ++hook.frames;
    requestAnimationFrame(frame);
  }

  function download(blob, name) {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  }

  function savePicture() {
    copyAll = true;
    copyDrawing();
    canvas.toBlob((blob) => download(blob, 'zorva.png'), 'image/png');
  }

  function saveData() {
    const text = M.UTF8ToString(M._zorva_csv(P));
    download(new Blob([text], {type: 'text/csv'}), 'zorva-run.csv');
  }

  function toggleHelp(show) {
    help.hidden = !show;
    if (show) {
      document.getElementById('help-close').focus();
    }
  }

  function onKey(event) {
    if (!help.hidden && event.key === 'Escape') {
      event.preventDefault();
      toggleHelp(false);
      return;
    }
    if (event.altKey || event.metaKey) {
      return;
    }
    const functionKeys = {F5: 0, F6: 1, F7: 2, F8: 3};
    const letters = {t: 0, s: 1, n: 2, c: 3};
    const key = event.key;
    let action = null;
    if (event.ctrlKey) {
      if (key === 'e' || key === 'E') {
        action = savePicture;
      } else if (key === 'd' || key === 'D') {
        action = saveData;
      }
    } else if (key in functionKeys) {
      action = () => pressButton(functionKeys[key]);
    } else if (key === 'F1') {
      action = () => toggleHelp(help.hidden);
    } else if (!event.shiftKey && key in letters) {
      action = () => pressButton(letters[key]);
    } else if (!event.shiftKey && key === 'h') {
      action = () => toggleHelp(help.hidden);
    } else if (!event.shiftKey && key === 'p') {
      action = savePicture;
    } else if (!event.shiftKey && key === 'd') {
      action = saveData;
    }
    if (action) {
      event.preventDefault();
      action();
    }
  }

  // Bars and boxes from the address, as a user would set them; anything
  // that is not understood is left as it is and named in the page.
  function applyAddress() {
    const params = new URLSearchParams(window.location.search);
    const problems = [];
    const known = new Set(['poltax', 'vimaxrono', 'klimax', 'boxes']);
    for (const name of params.keys()) {
      if (!known.has(name)) {
        problems.push(`"${name}" is not a setting`);
      }
    }
    for (const [name, index] of URL_BARS) {
      if (!params.has(name)) {
        continue;
      }
      const text = params.get(name);
      const min = M._zorva_bar(P, index, 0);
      const max = M._zorva_bar(P, index, 1);
      const value = /^[0-9]{1,4}$/.test(text) ? Number(text) : NaN;
      if (value >= min && value <= max) {
        dispatch(() => M._zorva_set_bar(P, index, value));
      } else {
        problems.push(`${name}=${text} is not a whole number from ${min} to ${max}`);
      }
    }
    if (params.has('boxes')) {
      for (const name of params.get('boxes').split(',')) {
        if (name in URL_BOXES) {
          dispatch(() => M._zorva_set_box(P, URL_BOXES[name], 1));
        } else if (name !== '') {
          problems.push(`boxes: "${name}" is not one of force, velocity, weight`);
        }
      }
    }
    if (problems.length > 0) {
      showMessage('Ignored in the address: ' + problems.join('; ') + '.');
    }
  }

  // The key help, the note under it and the drawing's description, from the module.
  function buildHelp() {
    const lines = M.UTF8ToString(M._zorva_help_text(P)).split('\n');
    const drawing = lines[lines.length - 2];
    const note = lines[lines.length - 3];
    const table = document.getElementById('help-keys');
    for (const line of lines.slice(0, -3)) {
      const [keys, what] = line.split('\t');
      const row = table.insertRow();
      row.insertCell().textContent = keys;
      row.insertCell().textContent = what;
    }
    const row = table.insertRow();
    row.insertCell();
    row.insertCell().textContent = note;
    canvas.setAttribute('aria-label', drawing);
    document.getElementById('zerkan').setAttribute(
      'aria-description', drawing + ' Press F1 for the keyboard shortcuts.');
    document.getElementById('help-close').addEventListener('click', () => toggleHelp(false));
  }

  function start(module) {
    M = module;
    sizeToViewport();
    P = M._zorva_start(clientWidth, clientHeight);
    buildControls();
    buildHelp();
    syncControls();
    applyAddress();
    canvas.addEventListener('mousedown', (event) => {
      const buttons = [1, 4, 2];
      dispatch(() => M._zorva_mouse_down(P, event.offsetX, event.offsetY,
                                         buttons[event.button] || 1));
    });
    canvas.addEventListener('contextmenu', (event) => event.preventDefault());
    document.addEventListener('keydown', onKey);
    window.addEventListener('resize', () => {
      sizeToViewport();
      M._zorva_resize(P, clientWidth, clientHeight);
      syncControls();
    });
    elements[0].focus();

    hook.state = () => ({
      x: M._zorva_state(P, 0),
      y: M._zorva_state(P, 1),
      vx: M._zorva_state(P, 2),
      vy: M._zorva_state(P, 3),
      stepCount: M._zorva_state(P, 4),
      running: M._zorva_state(P, 5) === 1,
      failures: M._zorva_state(P, 6),
      logged: M._zorva_state(P, 7),
    });
    hook.csv = () => M.UTF8ToString(M._zorva_csv(P));
    hook.runTicks = (count) => M._zorva_run_ticks(P, count, 0);
    hook.textBoxes = () => {
      const at = M._zorva_text_boxes(P) / 4;
      const count = M.HEAP32[at];
      return Array.from({length: count}, (_, i) =>
        Array.from(M.HEAP32.subarray(at + 1 + i * 4, at + 5 + i * 4)));
    };
    // The client area of the drawing as RGBA bytes, row after row.
    hook.pixels = () => {
      const width = M._zorva_image_width(P);
      const out = new Uint8Array(clientWidth * clientHeight * 4);
      for (let y = 0; y < clientHeight; ++y) {
        const from = M._zorva_pixels(P) + y * width * 4;
        out.set(M.HEAPU8.subarray(from, from + clientWidth * 4), y * clientWidth * 4);
      }
      return {width: clientWidth, height: clientHeight, data: out};
    };
    // For measurements: the median cost of one tick in microseconds, over
    // batches of ticks timed together (the page's clock is too coarse for
    // one), "Time on" pressed again whenever a run ends.
    hook.timeTicks = (batches, perBatch) => {
      const micros = [];
      for (let b = 0; b < batches; ++b) {
        const start = performance.now();
        const done = M._zorva_run_ticks(P, perBatch, 1);
        const end = performance.now();
        if (done === perBatch) {
          micros.push(((end - start) * 1000) / perBatch);
        }
      }
      micros.sort((a, b) => a - b);
      return micros[Math.floor(micros.length / 2)];
    };
    hook.ready = true;
    requestAnimationFrame(frame);
  }

  sizeToViewport();
  requestAnimationFrame(primeCanvas);
  createZorva({zorvaText}).then(start, (error) => {
    hook.errors.push(String(error));
    showMessage('ZORVA could not start: ' + error);
  });
})();
