// The page: builds the window's controls as HTML elements, feeds the user's
// input to the form in the module, and copies the drawing into the canvas.
// The form, its handlers, the tick, the pixels, where the controls go on a
// screen with room for the design, the run's pace and the words all live in
// the module; this script shows them, passes events in, and on a touch
// screen or a narrow one lets the browser lay the controls out in a panel
// (zorva.css).
'use strict';

(function () {
  // The drawing's labels, and the design's controls, in the window's size.
  const LABEL_FONT_PX = 12;
  // Room round a button's caption and a readout's text, as on the desktop.
  const BUTTON_TEXT_MARGIN = 16;
  const READOUT_TEXT_MARGIN = 2;
  // A held bar arrow or track repeats after this delay, at this pace.
  const REPEAT_DELAY_MS = 300;
  const REPEAT_MS = 50;
  // A screen reader hears a changed readout at most this often.
  const ANNOUNCE_MS = 1000;

  const BUTTONS = [0, 1, 2, 3];
  const BARS = [4, 5, 6];
  const READOUTS = [7, 8, 9];
  const BOXES = [10, 11, 12];
  const READOUT_OF_BAR = {4: 7, 5: 8, 6: 9};

  // The address's set-up: ?poltax=10&vimaxrono=1&klimax=1&boxes=force,velocity,weight
  const URL_BARS = [['poltax', 4, 20], ['vimaxrono', 5, 1], ['klimax', 6, 1]];
  const URL_BOXES = [['force', 10], ['velocity', 11], ['weight', 12]];

  const canvas = document.getElementById('drawing');
  const context = canvas.getContext('2d');
  const drawingArea = document.getElementById('drawing-area');
  const controlsLayer = document.getElementById('controls');
  const message = document.getElementById('message');
  const announcer = document.getElementById('announce');
  const help = document.getElementById('help');
  const measure = document.createElement('canvas').getContext('2d');

  const hook = {ready: false, errors: [], ticks: 0, frames: 0, firstFrameMs: null};
  window.__zorva = hook;

  let M = null;
  // The page in the module: every entry point takes it.
  let P = 0;
  // The drawing's size in CSS pixels, its density, and how the page is laid out.
  let clientWidth = 1;
  let clientHeight = 1;
  let ratio = 1;
  let touchLayout = false;
  let landscape = false;
  let copyAll = true;
  const elements = [];
  const placesOfBoxes = [];
  const toolButtons = {};
  // The graphs' panel, made once the module runs.
  let graphs = null;

  function showMessage(text) {
    document.getElementById('message-text').textContent = text;
    message.hidden = false;
  }
  document.getElementById('message-close').addEventListener('click', () => {
    message.hidden = true;
  });

  window.addEventListener('error', (event) => {
    hook.errors.push(String(event.message));
    showMessage('ZORVA stopped working: ' + event.message);
  });

  // --- The labels' text, by the browser's own rasteriser, in device pixels --
  const textCanvas = document.createElement('canvas');
  const textContext = textCanvas.getContext('2d', {willReadFrequently: true});
  const font = (bold) => `${bold ? 'bold ' : ''}${LABEL_FONT_PX * ratio}px sans-serif`;
  const lineMetrics = () => {
    textContext.font = font(false);
    const metrics = textContext.measureText('Hg');
    return {ascent: metrics.fontBoundingBoxAscent,
            height: metrics.fontBoundingBoxAscent + metrics.fontBoundingBoxDescent};
  };

  const zorvaText = {
    last: null,
    lineHeight() {
      return lineMetrics().height;
    },
    // Prints text black on nothing and keeps its coverage: the module blends
    // it into the drawing in the label's colour.
    rasterise(text, bold) {
      const {ascent, height: lineHeight} = lineMetrics();
      textContext.font = font(bold);
      // Glyphs may reach a little beyond the text's advance on either side.
      const overhang = Math.ceil(lineHeight / 2);
      const width = Math.ceil(textContext.measureText(text).width) + 2 * overhang;
      const height = Math.ceil(lineHeight);
      if (width <= 0 || height <= 0) {
        return 0;
      }
      textCanvas.width = width;
      textCanvas.height = height;
      textContext.font = font(bold);
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

  function textWidth(text, element) {
    measure.font = getComputedStyle(element).font;
    return Math.ceil(measure.measureText(text).width);
  }

  function describe(element, index) {
    element.setAttribute('aria-label', controlText(index, 2));
    element.setAttribute('aria-description', controlText(index, 3));
    element.title = controlText(index, 3);
  }

  // Calls action now and, while the pointer stays down on element, again
  // and again, as a desktop bar's arrow does; for a mouse, a pen or a finger.
  function repeatWhileHeld(element, bar, action) {
    let timer = null;
    const stop = () => {
      clearTimeout(timer);
      clearInterval(timer);
      timer = null;
    };
    element.addEventListener('pointerdown', (event) => {
      if (event.button !== 0) {
        return;
      }
      event.preventDefault();
      bar.focus({preventScroll: true});
      element.setPointerCapture(event.pointerId);
      stop();
      if (action(event) === false) {
        return;
      }
      timer = setTimeout(() => {
        timer = setInterval(() => action(event), REPEAT_MS);
      }, REPEAT_DELAY_MS);
    });
    for (const end of ['pointerup', 'pointercancel', 'lostpointercapture']) {
      element.addEventListener(end, stop);
    }
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
    bar.setAttribute('role', 'slider');
    bar.setAttribute('aria-orientation', 'horizontal');
    // The arrows are parts of the slider, not controls of their own: the
    // bar takes the keys, and a screen reader hears one slider.
    const arrow = (className, text) => {
      const part = document.createElement('div');
      part.className = 'arrow ' + className;
      part.textContent = text;
      part.setAttribute('aria-hidden', 'true');
      return part;
    };
    const down = arrow('down', '\u25c0');
    const up = arrow('up', '\u25b6');
    const track = document.createElement('div');
    track.className = 'track';
    const thumb = document.createElement('div');
    thumb.className = 'thumb';
    track.appendChild(thumb);
    bar.append(down, track, up);

    const get = (what) => M._zorva_bar(P, index, what);
    const set = (value) => dispatch(() => M._zorva_set_bar(P, index, value));
    const step = (sign, large) => set(get(4) + sign * get(large ? 3 : 2));

    repeatWhileHeld(down, bar, () => step(-1, false));
    repeatWhileHeld(up, bar, () => step(1, false));
    // A press on the track pages towards it until the thumb gets there.
    repeatWhileHeld(track, bar, (event) => {
      if (event.target === thumb) {
        return false;
      }
      const box = thumb.getBoundingClientRect();
      if (event.clientX >= box.left && event.clientX <= box.right) {
        return false;
      }
      step(event.clientX < box.left ? -1 : 1, true);
      return true;
    });
    thumb.addEventListener('pointerdown', (event) => {
      event.preventDefault();
      event.stopPropagation();
      bar.focus({preventScroll: true});
      thumb.setPointerCapture(event.pointerId);
      const startX = event.clientX;
      const startValue = get(4);
      const move = (e) => {
        const free = track.clientWidth - thumb.offsetWidth;
        if (free > 0) {
          set(startValue + Math.round(((e.clientX - startX) / free) * (get(1) - get(0))));
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
        event.stopPropagation();
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
      // A screen reader gives the readout's text, which says what the value means.
      bar.setAttribute('aria-valuetext', caption(READOUT_OF_BAR[index]).trim());
      // The thumb's share of the track is the large change's share of the
      // range, as on the desktop.
      const trackWidth = track.clientWidth;
      const least = Math.min(parseFloat(getComputedStyle(thumb).minWidth) || 8, trackWidth);
      const thumbWidth = Math.max(least, Math.round((trackWidth * page) / (max - min + page)));
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
    const text = document.createElement('span');
    readout.appendChild(text);
    return readout;
  }

  function makeBox(index) {
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
    placesOfBoxes[index - 10] = place;
    label.input = input;
    return label;
  }

  // Help, the saves, the graphs, full screen and the link, within a
  // finger's reach as well as by their keys.
  function makeTools() {
    const tools = document.createElement('div');
    tools.id = 'tools';
    tools.setAttribute('role', 'toolbar');
    tools.setAttribute('aria-label', 'Tools');
    // Each tool's name starts with the word it shows.
    const tool = (name, text, label, action) => {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = text;
      button.setAttribute('aria-label', label);
      button.title = label;
      button.addEventListener('click', action);
      tools.appendChild(button);
      toolButtons[name] = button;
    };
    tool('help', 'Help', 'Help: the keys and what they do', () => openHelp());
    tool('picture', 'PNG', 'PNG: save the drawing as a picture', () => savePicture());
    tool('data', 'CSV', "CSV: save the run's data", () => saveData());
    tool('graphs', 'Graphs', 'Graphs of the run: show or hide them (G or Ctrl+G)',
         () => graphs.toggle());
    toolButtons.graphs.id = 'graphs-button';
    toolButtons.graphs.setAttribute('aria-controls', 'graphs');
    toolButtons.graphs.setAttribute('aria-expanded', 'false');
    toolButtons.graphs.setAttribute('aria-keyshortcuts', 'G Control+G');
    tool('full', 'Full', 'Full screen: on or off', () => toggleFullScreen());
    tool('link', 'Link', 'Link: copy a link to this set-up', () => copyLink());
    return tools;
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
      element.classList.add('slot-' + i);
      elements[i] = element;
    }
    // Tab visits the controls in their designed order: the document's order.
    const order = [...Array(13).keys()].sort(
      (a, b) => M._zorva_control_tab_index(P, a) - M._zorva_control_tab_index(P, b));
    controlsLayer.append(...placesOfBoxes);
    for (const i of order) {
      controlsLayer.appendChild(elements[i]);
    }
    controlsLayer.appendChild(makeTools());
  }

  // Captions, values and places, from the form.
  function syncControls() {
    for (const i of BUTTONS) {
      elements[i].textContent = caption(i);
    }
    for (const i of READOUTS) {
      elements[i].firstChild.textContent = caption(i);
    }
    for (const i of BOXES) {
      elements[i].lastChild.textContent = caption(i);
      elements[i].input.checked = M._zorva_box(P, i) === 1;
    }
    if (touchLayout) {
      for (const element of [...elements, ...placesOfBoxes]) {
        element.removeAttribute('style');
      }
    } else {
      placeControls();
    }
    for (const i of BARS) {
      elements[i].showValue();
    }
    announceReadouts();
  }

  // On a screen with room for the design, the controls go where the module
  // places them, each as large as its text needs.
  function placeControls() {
    for (const i of BUTTONS) {
      M._zorva_set_needed(P, i, textWidth(caption(i), elements[i]) + BUTTON_TEXT_MARGIN, 0);
    }
    for (const i of READOUTS) {
      const lineHeight = parseFloat(getComputedStyle(elements[i]).fontSize) * 1.25;
      M._zorva_set_needed(P, i, textWidth(caption(i), elements[i]) + 2 * READOUT_TEXT_MARGIN,
                          Math.ceil(lineHeight) + READOUT_TEXT_MARGIN);
    }
    for (const i of BOXES) {
      const box = elements[i];
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
  }

  // A screen reader hears a readout that changed, politely and at most once
  // a second: a run or a held arrow would otherwise drown it.
  const announced = {};
  let announceTimer = null;
  let lastAnnounced = 0;
  function announceReadouts() {
    const changed = READOUTS.filter((i) => announced[i] !== undefined &&
                                           announced[i] !== caption(i));
    for (const i of READOUTS) {
      announced[i] = caption(i);
    }
    if (changed.length === 0 || announceTimer !== null) {
      return;
    }
    const speak = () => {
      announceTimer = null;
      lastAnnounced = performance.now();
      announcer.textContent = changed.map((i) => caption(i).trim()).join('. ');
    };
    announceTimer = setTimeout(speak, Math.max(0, lastAnnounced + ANNOUNCE_MS - performance.now()));
  }

  // --- Events -----------------------------------------------------------------
  function dispatch(handler) {
    handler();
    if (M._zorva_take_view_changed(P)) {
      syncControls();
      followInAddress();
    }
  }

  // The address follows the bars and boxes, without adding to the history:
  // a copied address opens the same set-up.
  function followInAddress() {
    const params = new URLSearchParams();
    for (const [name, index, start] of URL_BARS) {
      const value = M._zorva_bar(P, index, 4);
      if (value !== start) {
        params.set(name, value);
      }
    }
    const boxes = URL_BOXES.filter(([, index]) => M._zorva_box(P, index) === 1);
    if (boxes.length > 0) {
      params.set('boxes', boxes.map(([name]) => name).join(','));
    }
    const query = params.toString();
    const address = window.location.pathname + (query ? '?' + query : '') + window.location.hash;
    if (address !== window.location.pathname + window.location.search + window.location.hash) {
      history.replaceState(history.state, '', address);
    }
  }

  function pressButton(index) {
    elements[index].click();
  }

  // The device pixels the module draws a CSS size in.
  const devicePixels = (css) => Math.ceil(css * ratio - 1e-9);

  // Works out the layout for the viewport: on a touch screen, or one too
  // narrow for the design's row of controls and the tools, the panel.
  function chooseLayout(designWidth) {
    const coarse = window.matchMedia('(pointer: coarse)').matches;
    touchLayout = coarse || window.innerWidth < designWidth;
    landscape = window.innerWidth > window.innerHeight;
    document.body.classList.toggle('touch', touchLayout);
    document.body.classList.toggle('landscape', landscape);
  }

  function sizeCanvas() {
    clientWidth = Math.max(1, drawingArea.clientWidth);
    clientHeight = Math.max(1, drawingArea.clientHeight);
    const width = devicePixels(clientWidth);
    const height = devicePixels(clientHeight);
    // Setting a canvas's size, even to the size it has, gives it new memory.
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
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
      warmUp = M._zorva_start(WARM_UP_WIDTH, WARM_UP_HEIGHT, ratio);
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
    graphs.frame(performance.now());
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

  // A run longer than the page keeps is saved in part, and says so.
  function saveData() {
    const text = M.UTF8ToString(M._zorva_csv(P));
    const note = M.UTF8ToString(M._zorva_csv_note(P));
    const name = note ? 'zorva-run-first-ticks.csv' : 'zorva-run.csv';
    download(new Blob([text], {type: 'text/csv'}), name);
    if (note) {
      showMessage(`Saved ${name}: ${note}.`);
    }
  }

  function toggleFullScreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen();
    } else if (document.documentElement.requestFullscreen) {
      document.documentElement.requestFullscreen().catch(() =>
        showMessage('This browser does not allow full screen here.'));
    }
  }

  function copyLink() {
    followInAddress();
    const link = window.location.href;
    const copied = () => showMessage('The link to this set-up is copied.');
    if (navigator.clipboard && navigator.clipboard.writeText) {
      navigator.clipboard.writeText(link).then(copied, () => showMessage('The link: ' + link));
    } else {
      showMessage('The link: ' + link);
    }
  }

  // The help is a modal dialog: the focus stays in it, and Escape or Close
  // gives the focus back to where it was.
  let focusBeforeHelp = null;
  function openHelp() {
    if (help.open) {
      return;
    }
    focusBeforeHelp = document.activeElement;
    help.showModal();
    document.getElementById('help-close').focus();
  }
  help.addEventListener('close', () => {
    if (focusBeforeHelp && focusBeforeHelp.focus) {
      focusBeforeHelp.focus();
    }
    focusBeforeHelp = null;
  });
  document.getElementById('help-close').addEventListener('click', () => help.close());
  // Tab goes round the dialog's own controls rather than out of the page.
  help.addEventListener('keydown', (event) => {
    if (event.key !== 'Tab') {
      return;
    }
    const focusable = [...help.querySelectorAll('button, [href], [tabindex]:not([tabindex="-1"])')];
    const at = focusable.indexOf(document.activeElement);
    const next = (at + (event.shiftKey ? -1 : 1) + focusable.length) % focusable.length;
    event.preventDefault();
    focusable[next].focus();
  });

  function onKey(event) {
    if (help.open || event.altKey || event.metaKey) {
      return;
    }
    if (graphs.isOpen() && event.key === 'Escape') {
      event.preventDefault();
      graphs.show(false);
      return;
    }
    const functionKeys = {F5: 0, F6: 1, F7: 2, F8: 3};
    const letters = {t: 0, s: 1, n: 2, c: 3};
    // The letter whatever Caps Lock and Shift say.
    const key = event.key.length === 1 ? event.key.toLowerCase() : event.key;
    let action = null;
    if (event.ctrlKey) {
      if (key === 'e') {
        action = savePicture;
      } else if (key === 'd') {
        action = saveData;
      } else if (key === 'g') {
        action = graphs.toggle;
      }
    } else if (key in functionKeys) {
      action = () => pressButton(functionKeys[key]);
    } else if (key === 'F1' || key === 'h') {
      action = openHelp;
    } else if (key in letters) {
      action = () => pressButton(letters[key]);
    } else if (key === 'p') {
      action = savePicture;
    } else if (key === 'd') {
      action = saveData;
    } else if (key === 'g') {
      action = graphs.toggle;
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
      const names = new Map(URL_BOXES);
      for (const name of params.get('boxes').split(',')) {
        if (names.has(name)) {
          dispatch(() => M._zorva_set_box(P, names.get(name), 1));
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
      'aria-description', drawing + ' Press F1 or H for the keyboard shortcuts.');
  }

  // The graphs' panel, which the Graphs tool opens and closes; it reads
  // whichever page is current.
  function startGraphs() {
    graphs = createZorvaGraphs(M, () => P, hook);
    document.body.appendChild(graphs.panel);
    const button = toolButtons.graphs;
    graphs.onToggle = (open) => button.setAttribute('aria-expanded', String(open));
  }

  // A new page on the drawing area as it is now, the bars and boxes set as
  // they were, as start-up does for a screen.
  function startPage() {
    const bars = P ? URL_BARS.map(([, index]) => [index, M._zorva_bar(P, index, 4)]) : [];
    const boxes = P ? BOXES.map((index) => [index, M._zorva_box(P, index)]) : [];
    if (P) {
      M._zorva_stop(P);
    }
    sizeCanvas();
    P = M._zorva_start(clientWidth, clientHeight, ratio);
    for (const [index, value] of bars) {
      M._zorva_set_bar(P, index, value);
    }
    for (const [index, value] of boxes) {
      M._zorva_set_box(P, index, value);
    }
    M._zorva_take_view_changed(P);
  }

  // A new size. While a run goes on it is a resize like the desktop
  // window's: the drawing keeps its scale and nothing is recomputed. With no
  // run going, a turn of the screen, another layout or another density
  // starts the picture anew for the new shape.
  function relayout() {
    const before = {touchLayout, landscape, ratio};
    chooseLayout(M._zorva_design_width(P) + 60);
    const running = M._zorva_state(P, 5) === 1;
    const newRatio = window.devicePixelRatio || 1;
    const reshaped = touchLayout !== before.touchLayout || landscape !== before.landscape ||
                     newRatio !== before.ratio;
    syncControls();
    if (reshaped && !running) {
      ratio = newRatio;
      startPage();
    } else {
      sizeCanvas();
      M._zorva_resize(P, clientWidth, clientHeight);
    }
    syncControls();
  }

  function start(module) {
    M = module;
    ratio = window.devicePixelRatio || 1;
    // The layout needs the design's width, which a first page knows.
    P = M._zorva_start(Math.max(1, window.innerWidth), Math.max(1, window.innerHeight), ratio);
    chooseLayout(M._zorva_design_width(P) + 60);
    buildControls();
    buildHelp();
    startGraphs();
    syncControls();
    startPage();
    syncControls();
    applyAddress();
    followInAddress();
    canvas.addEventListener('pointerdown', (event) => {
      // A finger or a pen is the left button.
      const buttons = [1, 4, 2];
      const button = event.pointerType === 'mouse' ? buttons[event.button] || 1 : 1;
      event.preventDefault();
      dispatch(() => M._zorva_mouse_down(P, event.offsetX, event.offsetY, button));
    });
    canvas.addEventListener('contextmenu', (event) => event.preventDefault());
    document.addEventListener('keydown', onKey);
    window.addEventListener('resize', relayout);
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
    // The drawing's client area as RGBA bytes in device pixels, row after row.
    hook.pixels = () => {
      const width = M._zorva_image_width(P);
      const rowBytes = canvas.width * 4;
      const out = new Uint8Array(rowBytes * canvas.height);
      for (let y = 0; y < canvas.height; ++y) {
        const from = M._zorva_pixels(P) + y * width * 4;
        out.set(M.HEAPU8.subarray(from, from + rowBytes), y * rowBytes);
      }
      return {width: canvas.width, height: canvas.height, data: out};
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

  ratio = window.devicePixelRatio || 1;
  sizeCanvas();
  requestAnimationFrame(primeCanvas);
  createZorva({zorvaText}).then(start, (error) => {
    hook.errors.push(String(error));
    showMessage('ZORVA could not start: ' + error);
  });
})();
