// The page's graphs of the run: the desktop's graph window drawn in SVG. The
// module keeps the run's GraphModel, fed by the form as on the desktop; this
// script reads its traces, reference line and axes and draws the two charts,
// each with a text description and a table of its latest values for those
// who cannot see it. Series, colours, pens, legends and axes are the
// desktop window's.
'use strict';

const createZorvaGraphs = (function () {
  const FONT = '12px sans-serif';
  const BOLD_FONT = 'bold 12px sans-serif';
  const SVG = 'http://www.w3.org/2000/svg';
  // A visible panel shows what arrived at most this long ago (ms), as the
  // desktop window does; samples arriving meanwhile share the update.
  const REFRESH_DELAY_MS = 80;
  // Rows in the tables of latest values.
  const TABLE_ROWS = 10;

  const GRID = '#e2e2e2';
  const AXIS_LINE = '#d0d0d0';
  const LABEL = '#404044';

  // The frame's layout as zorva_graphs_frame hands it out.
  const AXIS_AT = {time: 4, velocity: 8, height: 12};


  const measure = document.createElement('canvas').getContext('2d');
  function textWidth(text, font) {
    measure.font = font;
    return measure.measureText(text).width;
  }

  function element(name, attributes, parent) {
    const node = document.createElementNS(SVG, name);
    for (const [key, value] of Object.entries(attributes)) {
      node.setAttribute(key, value);
    }
    if (parent) {
      parent.appendChild(node);
    }
    return node;
  }

  function html(name, attributes, text) {
    const node = document.createElement(name);
    for (const [key, value] of Object.entries(attributes || {})) {
      node.setAttribute(key, value);
    }
    if (text !== undefined) {
      node.textContent = text;
    }
    return node;
  }

  // A tick's label, with the axis's decimals; a zero reached by adding
  // steps reads "0", never "-0.0".
  function tickLabel(value, decimals, step) {
    return (Math.abs(value) < 1e-9 * step ? 0 : value).toFixed(decimals);
  }

  // Spoken and tabled numbers: a minus sign, not a hyphen.
  function spoken(value, decimals) {
    return tickLabel(value, decimals, 1).replace('-', '\u2212');
  }

  // Hundredths of a CSS pixel: finer than any screen's device pixel.
  const SCALE = 100;
  function px(value) {
    return Math.round(value * SCALE) / SCALE;
  }

  return function create(M, page, hook) {
    // The quantities by the model's numbering, and the two charts, with the
    // names, colours and pens the window has: the module holds them once.
    const looks = JSON.parse(M.UTF8ToString(M._zorva_graph_looks(page())));
    const QUANTITIES = looks.quantities.map((look, index) => ({
      index, key: ['vy', 'vx', 'speed', 'y'][index], name: look.name, colour: look.colour,
      width: look.width, column: look.column, decimals: look.decimals}));
    const FADED_OPACITY = looks.fadedAlpha / 255;
    const FADED_WIDTH = looks.fadedPenWidth;
    const REFERENCE = {
      colour: looks.referenceColour, width: looks.referencePenWidth,
      dash: `${looks.referenceDash * looks.referencePenWidth} ` +
            `${looks.referenceGap * looks.referencePenWidth}`};
    const CHARTS = [
      {key: 'velocity', axis: 'velocity', quantities: [0, 1, 2], reference: true},
      {key: 'height', axis: 'height', quantities: [3], reference: false},
    ].map((chart, i) => ({...chart, title: looks.charts[i].title, label: looks.charts[i].name,
                          axisTitle: looks.charts[i].valueAxis,
                          description: looks.charts[i].description}));
    const panel = html('section', {id: 'graphs', class: 'graphs', role: 'dialog',
                                   'aria-labelledby': 'graphs-title'});
    panel.setAttribute('aria-description', looks.description);
    panel.hidden = true;
    const bar = html('div', {class: 'graphs-bar'});
    const title = html('h2', {id: 'graphs-title'}, looks.title);
    const close = html('button', {id: 'graphs-close', type: 'button',
                                  'aria-label': 'Close the graphs'}, 'Close');
    bar.append(title, close);
    const body = html('div', {class: 'graphs-charts'});
    panel.append(bar, body);

    const charts = CHARTS.map((plan) => {
      const figure = html('figure', {class: 'graph', id: `graph-${plan.key}`});
      // Two pictures, one over the other: the frame with the previous run,
      // and the current run on a layer of its own, so that the browser
      // paints only the current run again as it grows (a long run's faded
      // traces cost more to paint than the whole current one).
      const plot = html('div', {class: 'graph-plot', role: 'img', 'aria-label': plan.label,
                                'aria-describedby': `graph-${plan.key}-description`});
      const back = element('svg', {class: 'graph-back', 'aria-hidden': 'true'}, plot);
      const front = element('svg', {class: 'graph-front', 'aria-hidden': 'true'}, plot);
      const details = html('details', {class: 'graph-data'});
      details.appendChild(html('summary', {}, `${plan.title}: description and latest values`));
      // The description twice: hidden, for the chart's aria-describedby (a
      // browser leaves the contents of a closed details out of an accessible
      // description), and shown in the details, for whoever opens it.
      const described = html('p', {id: `graph-${plan.key}-description`});
      described.hidden = true;
      const description = html('p', {class: 'graph-description'});
      const table = html('table');
      const columns = ['t (s)', ...plan.quantities.map((q) => QUANTITIES[q].column)];
      table.createCaption().textContent =
        `${plan.title}: the latest values of the current run`;
      const head = table.createTHead().insertRow();
      for (const column of columns) {
        head.appendChild(html('th', {scope: 'col'}, column));
      }
      table.createTBody();
      details.append(description, table);
      figure.append(plot, described, details);
      body.appendChild(figure);
      return {plan, figure, plot, back, front, described, description, table,
              key: null, layout: null, drawn: null};
    });

    let open = false;
    let dirty = true;
    // Whether a chart's box or the screen's density changed since the last drawing.
    let moved = false;
    let lastDraw = -Infinity;
    let returnFocus = null;
    let onToggle = () => {};

    // --- Reading the model ----------------------------------------------------
    function frameNow() {
      const at = M._zorva_graphs_frame(page()) / 8;
      const f = M.HEAPF64.slice(at, at + 16);
      const axis = (i) => ({min: f[i], max: f[i + 1], step: f[i + 2], decimals: f[i + 3]});
      return {hasRun: f[0] === 1, hasPrevious: f[1] === 1, referenceVy: f[2], samples: f[3],
              time: axis(AXIS_AT.time), velocity: axis(AXIS_AT.velocity),
              height: axis(AXIS_AT.height)};
    }

    // A trace as (t, value) pairs, copied out of the module.
    function trace(run, quantity) {
      const at = M._zorva_graphs_trace(page(), run, quantity) / 8;
      const count = M.HEAPF64[at];
      return M.HEAPF64.slice(at + 1, at + 1 + 2 * count);
    }

    function readModel() {
      const frame = frameNow();
      frame.current = QUANTITIES.map((q) => trace(0, q.index));
      frame.previous = QUANTITIES.map((q) => trace(1, q.index));
      frame.reference = trace(2, 0);
      return frame;
    }

    // --- Drawing ----------------------------------------------------------------
    // Where a line of `width` CSS pixels lies sharp on this screen: centred
    // on a device pixel for an odd number of them, between two for an even.
    function crisp(value, width, dpr) {
      const device = Math.max(1, Math.round(width * dpr));
      return device % 2 === 1 ? (Math.floor(value * dpr) + 0.5) / dpr
                              : Math.round(value * dpr) / dpr;
    }

    // A trace's path in hundredths of a CSS pixel, finer than any screen's
    // device pixel. Whole numbers print several times faster than
    // fractions, and a long run's traces hold thousands of points, redrawn
    // while the run goes; the group the paths sit in scales them back.
    function path(points, x, y) {
      const parts = new Array(points.length / 2);
      for (let i = 0; i < points.length; i += 2) {
        parts[i / 2] = Math.round(x(points[i]) * SCALE) + ',' + Math.round(y(points[i + 1]) * SCALE);
      }
      return 'M' + parts.join('L');
    }

    function sameData(a, b) {
      if (!a || !b || a.length !== b.length) {
        return false;
      }
      for (let i = 0; i < a.length; ++i) {
        if (a[i] !== b[i]) {
          return false;
        }
      }
      return true;
    }

    function legendEntries(plan, model) {
      const entries = plan.quantities.map((q) => ({colour: QUANTITIES[q].colour, opacity: 1,
                                                   name: QUANTITIES[q].name}));
      if (model.hasPrevious) {
        entries.push({colour: QUANTITIES[plan.quantities[0]].colour, opacity: FADED_OPACITY,
                      name: looks.previousRun});
      }
      if (plan.reference && model.hasRun) {
        entries.push({colour: REFERENCE.colour, opacity: 1,
                      name: `${looks.reference} (${model.referenceVy.toFixed(2)} m/s)`});
      }
      return entries;
    }

    // Lays the legend out in centred rows that fit the width.
    function legendRows(entries, width) {
      const MARKER = 10;
      const GAP = 14;
      const rows = [[]];
      let used = 0;
      for (const entry of entries) {
        entry.width = MARKER + 5 + textWidth(entry.name, FONT);
        if (rows[rows.length - 1].length > 0 && used + GAP + entry.width > width) {
          rows.push([]);
          used = 0;
        }
        used += (rows[rows.length - 1].length > 0 ? GAP : 0) + entry.width;
        rows[rows.length - 1].push(entry);
      }
      return rows.map((row) => ({entries: row,
                                 width: row.reduce((w, e) => w + e.width, 0) +
                                        GAP * (row.length - 1)}));
    }

    // Draws the chart's frame (title, legend, grid, axes) and its traces.
    // While a run goes, only the current run's traces change: the frame is
    // drawn anew only when its size, axes or legend change, and the
    // previous run's traces only then or when that run changes.
    function drawChart(chart, model, dpr) {
      const {plan, plot} = chart;
      const width = plot.clientWidth;
      const height = plot.clientHeight;
      const value = model[plan.axis];
      const present = (traces) => plan.quantities.map((q) => traces[q].length > 0);
      const key = JSON.stringify([width, height, dpr, model.time, value, model.hasRun,
                                  model.hasPrevious, model.referenceVy.toFixed(2),
                                  present(model.current), present(model.previous)]);
      if (key !== chart.key) {
        chart.key = key;
        chart.layout = drawFrame(chart, model, dpr, width, height);
      }
      const layout = chart.layout;
      if (!layout) {
        chart.drawn = null;
        return;
      }
      const drawn = {width, height, dpr, left: layout.left, top: layout.top,
                     plotWidth: layout.plotWidth, plotHeight: layout.plotHeight,
                     time: model.time, value, current: {}, previous: {}, reference: null};
      // A trace's path is written anew unless it holds the points it shows.
      const show = (node, points) => {
        if (!sameData(layout.shown.get(node), points)) {
          node.setAttribute('d', path(points, layout.x, layout.y));
          layout.shown.set(node, points);
        }
      };
      for (const q of plan.quantities) {
        const name = QUANTITIES[q].key;
        for (const run of ['previous', 'current']) {
          const node = layout.paths[run][name];
          if (node) {
            show(node, model[run][q]);
            drawn[run][name] = model[run][q];
          }
        }
      }
      if (layout.paths.reference) {
        show(layout.paths.reference, model.reference);
        drawn.reference = model.reference;
      }
      chart.drawn = drawn;
    }

    // The chart's frame, with an empty path for each trace to show; returns
    // where the plot lies and its paths, or null when there is no room.
    function drawFrame(chart, model, dpr, width, height) {
      const {plan, back: svg, front} = chart;
      for (const picture of [svg, front]) {
        picture.setAttribute('width', width);
        picture.setAttribute('height', height);
        picture.setAttribute('viewBox', `0 0 ${width} ${height}`);
        picture.replaceChildren();
      }
      if (width < 40 || height < 40) {
        return null;
      }
      const time = model.time;
      const value = model[plan.axis];
      const steps = (axis) => Math.round((axis.max - axis.min) / axis.step);
      const labels = [];
      for (let i = 0; i <= steps(value); ++i) {
        labels.push(tickLabel(value.min + i * value.step, value.decimals, value.step));
      }
      const labelWidth = Math.max(...labels.map((text) => textWidth(text, FONT)));
      const lastTimeLabel = tickLabel(time.max, time.decimals, time.step);

      const PAD = 8;
      const rows = legendRows(legendEntries(plan, model), width - 2 * PAD);
      const top = PAD + 14 + 8 + rows.length * 18 + 8;
      const left = PAD + 16 + 6 + labelWidth + 8;
      const right = width - PAD - Math.ceil(textWidth(lastTimeLabel, FONT) / 2);
      const bottom = height - PAD - 16 - 4 - 18;
      const plotWidth = right - left;
      const plotHeight = bottom - top;
      if (plotWidth < 20 || plotHeight < 20) {
        return null;
      }
      const x = (t) => left + ((t - time.min) / (time.max - time.min)) * plotWidth;
      const y = (v) => bottom - ((v - value.min) / (value.max - value.min)) * plotHeight;

      // The chart's title and legend, above the plot.
      const text = (content, attributes) => {
        const node = element('text', attributes, svg);
        node.textContent = content;
        return node;
      };
      text(plan.title, {x: width / 2, y: PAD + 12, 'text-anchor': 'middle', class: 'title'});
      rows.forEach((row, r) => {
        let at = (width - row.width) / 2;
        const base = PAD + 14 + 8 + r * 18 + 12;
        for (const entry of row.entries) {
          element('rect', {x: px(at + 0.5), y: base - 9.5, width: 9, height: 9,
                           fill: entry.colour, 'fill-opacity': entry.opacity,
                           stroke: '#202020', 'stroke-opacity': 0.7, class: 'marker'}, svg);
          text(entry.name, {x: px(at + 15), y: base, class: 'legend'});
          at += entry.width + 14;
        }
      });

      // Grid and axes: major lines on every step, dashed minor ones halfway,
      // as the desktop's axes with one minor tick.
      const grid = element('g', {class: 'grid', 'shape-rendering': 'crispEdges'}, svg);
      const line = (x1, y1, x2, y2, attributes) =>
        element('line', {x1, y1, x2, y2, ...attributes}, grid);
      for (let i = 0; i <= 2 * steps(time); ++i) {
        const at = crisp(x(time.min + (i * time.step) / 2), 1, dpr);
        line(at, top, at, bottom, i % 2 ? {stroke: GRID, 'stroke-dasharray': '3 3'}
                                        : {stroke: GRID});
      }
      for (let i = 0; i <= 2 * steps(value); ++i) {
        const at = crisp(y(value.min + (i * value.step) / 2), 1, dpr);
        line(left, at, right, at, i % 2 ? {stroke: GRID, 'stroke-dasharray': '3 3'}
                                        : {stroke: GRID});
      }
      const axisX = crisp(left, 1, dpr);
      const axisY = crisp(bottom, 1, dpr);
      line(axisX, top, axisX, bottom, {stroke: AXIS_LINE});
      line(left, axisY, right, axisY, {stroke: AXIS_LINE});
      // Labels that would touch on a small chart are left out, every other
      // one or more, from the axis's start.
      const every = (room, needed) => Math.max(1, Math.ceil(needed / room));
      const timeEvery = every(plotWidth / steps(time), textWidth(lastTimeLabel, FONT) + 8);
      for (let i = 0; i <= steps(time); ++i) {
        const t = time.min + i * time.step;
        const at = crisp(x(t), 1, dpr);
        line(at, bottom, at, bottom + 4, {stroke: AXIS_LINE});
        if (i % timeEvery === 0) {
          text(tickLabel(t, time.decimals, time.step),
               {x: px(x(t)), y: px(bottom + 6 + 11), 'text-anchor': 'middle', class: 'tick'});
        }
      }
      const valueEvery = every(plotHeight / steps(value), 16);
      labels.forEach((label, i) => {
        const v = value.min + i * value.step;
        const at = crisp(y(v), 1, dpr);
        line(left - 4, at, left, at, {stroke: AXIS_LINE});
        if (i % valueEvery === 0) {
          text(label, {x: px(left - 7), y: px(y(v) + 4), 'text-anchor': 'end', class: 'tick'});
        }
      });
      text(looks.timeAxis, {x: px(left + plotWidth / 2), y: height - PAD - 2,
                          'text-anchor': 'middle', class: 'axis-title'});
      const titleX = PAD + 12;
      const titleY = px(top + plotHeight / 2);
      text(plan.axisTitle, {x: titleX, y: titleY, 'text-anchor': 'middle', class: 'axis-title',
                            transform: `rotate(-90 ${titleX} ${titleY})`});

      // The traces, clipped to the plot: the previous run faded behind, the
      // current run, and the dashed reference on top, where it shows
      // whether vy lies along it. Pens are in the paths' hundredths.
      const traces = (picture, layer) => {
        const clip = `graph-${plan.key}-clip-${layer}`;
        element('rect', {x: left - 2, y: top - 2, width: plotWidth + 4, height: plotHeight + 4},
                element('clipPath', {id: clip}, picture));
        const clipped = element('g', {'clip-path': `url(#${clip})`}, picture);
        return element('g', {transform: `scale(${1 / SCALE})`, fill: 'none'}, clipped);
      };
      const behind = traces(svg, 'back');
      const over = traces(front, 'front');
      const paths = {previous: {}, current: {}, reference: null};
      for (const q of plan.quantities) {
        const quantity = QUANTITIES[q];
        if (model.previous[q].length > 0) {
          paths.previous[quantity.key] = element('path', {
            stroke: quantity.colour, 'stroke-opacity': px(FADED_OPACITY),
            'stroke-width': FADED_WIDTH * SCALE, 'stroke-linejoin': 'bevel',
            'data-run': 'previous', 'data-quantity': quantity.key}, behind);
        }
        if (model.current[q].length > 0) {
          paths.current[quantity.key] = element('path', {
            stroke: quantity.colour, 'stroke-width': quantity.width * SCALE,
            'stroke-linecap': 'square', 'stroke-linejoin': 'bevel', 'data-run': 'current',
            'data-quantity': quantity.key}, over);
        }
      }
      if (plan.reference && model.reference.length > 0) {
        paths.reference = element('path', {
          stroke: REFERENCE.colour, 'stroke-width': REFERENCE.width * SCALE,
          'stroke-dasharray': REFERENCE.dash.split(' ').map((v) => v * SCALE).join(' '),
          'data-run': 'reference', 'data-quantity': 'vy'}, over);
      }
      return {left, top, plotWidth, plotHeight, x, y, paths, shown: new Map()};
    }

    // --- For everyone: the description and the latest values -------------------
    function describe(chart, model) {
      const {plan} = chart;
      const time = model.time;
      const value = model[plan.axis];
      const range = (axis, unit) => `from ${spoken(axis.min, axis.decimals)} to ` +
                                    `${spoken(axis.max, axis.decimals)} ${unit}`;
      let text = plan.description;
      if (model.hasRun) {
        text += `; the time axis runs ${range(time, 's')}, the ` +
                `${plan.key === 'velocity' ? 'velocity' : 'height'} axis ` +
                `${range(value, plan.key === 'velocity' ? 'm/s' : 'm')}.`;
      }
      const vy = model.current[0];
      if (!model.hasRun) {
        text += '. No run yet: "Time on" starts one.';
      } else if (plan.key === 'velocity') {
        text += ` A dashed line marks the vertical speed given at launch, ` +
                `${spoken(model.referenceVy, 2)} m/s`;
        let worst = 0;
        for (let i = 1; i < vy.length; i += 2) {
          worst = Math.max(worst, Math.abs(vy[i] - model.referenceVy));
        }
        // Closer than a thousandth of the axis is closer than a pixel on a
        // chart up to a thousand pixels tall.
        if (vy.length === 0) {
          text += '.';
        } else if (worst <= (value.max - value.min) / 1000) {
          text += ': vy lies on it all along.';
        } else {
          text += `: vy leaves it, by up to ${spoken(worst, 3)} m/s.`;
        }
      } else if (model.current[3].length > 0) {
        const heights = model.current[3];
        text += ` The body's height goes from ${spoken(heights[1], 4)} m to ` +
                `${spoken(heights[heights.length - 1], 4)} m.`;
      }
      if (model.hasPrevious) {
        text += ' The previous run is drawn faded behind.';
      }
      chart.described.textContent = text;
      chart.description.textContent = text;

      const body = chart.table.tBodies[0];
      body.replaceChildren();
      const first = model.current[plan.quantities[0]];
      const count = first.length / 2;
      if (count === 0) {
        const cell = body.insertRow().insertCell();
        cell.colSpan = plan.quantities.length + 1;
        cell.textContent = 'No samples yet.';
        return;
      }
      for (let i = Math.max(0, count - TABLE_ROWS); i < count; ++i) {
        const row = body.insertRow();
        row.appendChild(html('th', {scope: 'row'}, spoken(first[2 * i], 5)));
        for (const q of plan.quantities) {
          row.insertCell().textContent = spoken(model.current[q][2 * i + 1],
                                                QUANTITIES[q].decimals);
        }
      }
    }

    function draw() {
      const model = readModel();
      const dpr = window.devicePixelRatio || 1;
      for (const chart of charts) {
        drawChart(chart, model, dpr);
        describe(chart, model);
      }
      dirty = false;
      moved = false;
      lastDraw = performance.now();
      ++hook.graphs.draws;
    }

    // --- Opening, closing, following the page -------------------------------------
    function show(wanted) {
      if (wanted === open) {
        return;
      }
      open = wanted;
      panel.hidden = !open;
      if (open) {
        returnFocus = document.activeElement;
        draw();
        close.focus();
      } else if (panel.contains(document.activeElement) ||
                 document.activeElement === document.body) {
        if (returnFocus && document.contains(returnFocus)) {
          returnFocus.focus();
        }
      }
      onToggle(open);
    }

    close.addEventListener('click', () => show(false));
    // A chart follows its box: the viewport's size, a turned phone, a table
    // opened beside it. It is drawn at the next frame, not from the
    // observer: the drawing rewrites the table, which may move the boxes
    // again.
    const resized = new ResizeObserver(() => {
      moved = true;
    });
    for (const chart of charts) {
      resized.observe(chart.plot);
    }
    // The screen's density changes when the page moves to another screen or
    // is zoomed; the sharp lines are placed for it anew.
    function watchDensity() {
      const query = matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`);
      query.addEventListener('change', () => {
        moved = true;
        watchDensity();
      }, {once: true});
    }
    watchDensity();

    hook.graphs = {
      draws: 0,
      isOpen: () => open,
      // What the charts last drew: the model's points, as numbers, and where
      // each chart's plot lies, for the tests.
      drawn: () => charts.map((chart) => {
        const d = chart.drawn;
        if (!d) {
          return null;
        }
        const list = (traces) => Object.fromEntries(
          Object.entries(traces).map(([key, points]) => [key, Array.from(points)]));
        return {key: chart.plan.key, width: d.width, height: d.height, dpr: d.dpr,
                left: d.left, top: d.top, plotWidth: d.plotWidth, plotHeight: d.plotHeight,
                time: d.time, value: d.value, current: list(d.current),
                previous: list(d.previous),
                reference: d.reference ? Array.from(d.reference) : null};
      }),
    };

    return {
      panel,
      isOpen: () => open,
      show,
      toggle: () => show(!open),
      // Told when the panel opens or closes.
      set onToggle(callback) {
        onToggle = callback;
      },
      // Once an animation frame: a visible panel follows the run.
      frame(now) {
        if (!open) {
          return;
        }
        dirty = M._zorva_graphs_take_changed(page()) === 1 || dirty;
        if (moved || (dirty && now - lastDraw >= REFRESH_DELAY_MS)) {
          draw();
        }
      },
    };
  };
})();
