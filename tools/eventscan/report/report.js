// The report's working parts: the event table (rows drawn only where it is
// scrolled to, so hundreds of thousands of events keep a small page), the map
// and the graph drawn on canvases from the page's columns of numbers, a time
// window chosen on the graph that filters the map and the table, per-event
// toggles, a row that finds its result on the map and the graph, and the
// table exported as `eventscan run --format csv` writes it.
(function () {
  'use strict';
  var data = JSON.parse(document.getElementById('report-data').textContent);
  var styles = data.styles;   // [name, kind, back, font, icon, inMap, inGraph]
  var events = data.events;   // [record, time, style, details, network]
  var view = data.view || {fields: [], serving: -1, route: {lat: [], lon: [], t: [], v: []}, bins: [], ev: {t: [], lat: [], lon: []}};
  var rowHeight = 22, spare = 10;
  var table = document.getElementById('table');
  var body = document.getElementById('table-body');
  var kindBox = document.getElementById('filter-kind');
  var nameBox = document.getElementById('filter-name');
  var shown = document.getElementById('shown');
  var visible = [];
  var win = null;            // [from, to] seconds from the log's start, or null
  var off = styles.map(function () { return false; });
  var sel = -1;
  var tip = document.createElement('div');
  tip.id = 'tip';
  document.body.appendChild(tip);

  // ---- time texts -------------------------------------------------------
  var startSod = 0;
  (function () {
    var m = /(\d+):(\d+):(\d+(?:\.\d+)?)/.exec(view.start || '');
    if (m) startSod = Number(m[1]) * 3600 + Number(m[2]) * 60 + Number(m[3]);
  })();
  function clock(t, decimals) {
    var s = startSod + t;
    s = ((s % 86400) + 86400) % 86400;
    var h = Math.floor(s / 3600), m = Math.floor((s % 3600) / 60), sec = s % 60;
    var text = sec.toFixed(decimals || 0);
    if (sec < 10) text = '0' + text;
    return (h < 10 ? '0' : '') + h + ':' + (m < 10 ? '0' : '') + m + ':' + text;
  }
  function inWindow(t) { return !win || (t >= win[0] && t <= win[1]); }

  // ---- the table --------------------------------------------------------
  function cell(text) {
    var span = document.createElement('span');
    span.textContent = text;
    return span;
  }

  function row(i) {
    var e = events[i], s = styles[e[2]];
    var div = document.createElement('div');
    div.className = 'row' + (i === sel ? ' selected' : '');
    div.setAttribute('data-event', s[0]);
    div.setAttribute('data-kind', s[1]);
    div.style.color = s[3];
    div.style.background = s[2];
    var record = cell(String(e[0]));
    record.setAttribute('data-index', String(i));  // which event the row stands for
    div.appendChild(record);
    div.appendChild(cell(e[1]));
    var icon = document.createElement('span');
    if (s[4] >= 0) icon.className = 'icon ic' + s[4];
    div.appendChild(icon);
    div.appendChild(cell(s[0]));
    div.appendChild(cell(s[1]));
    div.appendChild(cell(e[4]));
    var details = cell(e[3]);
    details.title = e[3];
    div.appendChild(details);
    return div;
  }

  function draw() {
    var first = Math.max(0, Math.floor(table.scrollTop / rowHeight) - spare);
    var last = Math.min(visible.length, Math.ceil((table.scrollTop + table.clientHeight) / rowHeight) + spare);
    var fragment = document.createDocumentFragment();
    for (var k = first; k < last; ++k) {
      var div = row(visible[k]);
      div.style.top = (k * rowHeight) + 'px';
      fragment.appendChild(div);
    }
    body.replaceChildren(fragment);
  }

  function filter() {
    var kind = kindBox.value, name = nameBox.value.trim().toLowerCase();
    var wanted = styles.map(function (s) {
      return (!kind || s[1] === kind) && (!name || s[0].toLowerCase().indexOf(name) >= 0);
    });
    visible = [];
    var times = view.ev.t;
    for (var i = 0; i < events.length; ++i)
      if (wanted[events[i][2]] && (times[i] === undefined || inWindow(times[i]))) visible.push(i);
    body.style.height = (visible.length * rowHeight) + 'px';
    shown.textContent = visible.length + ' of ' + events.length + ' events';
    table.scrollTop = 0;
    draw();
  }

  var pending = false;
  table.addEventListener('scroll', function () {
    if (pending) return;
    pending = true;
    requestAnimationFrame(function () { pending = false; draw(); });
  });
  body.addEventListener('click', function (ev) {
    var r = ev.target.closest && ev.target.closest('.row');
    if (r) select(Number(r.firstChild.getAttribute('data-index')), true);
  });
  kindBox.addEventListener('change', filter);
  nameBox.addEventListener('input', filter);

  // ---- CSV as `eventscan run --format csv` writes it ---------------------
  function csvField(text) {
    return /[,"\r\n]/.test(text) ? '"' + text.replace(/"/g, '""') + '"' : text;
  }
  function csv() {
    var out = ['record,time,event,kind,network,details\n'];
    for (var k = 0; k < visible.length; ++k) {
      var e = events[visible[k]], s = styles[e[2]];
      out.push(e[0] + ',' + csvField(e[1]) + ',' + csvField(s[0]) + ',' + csvField(s[1]) + ',' + csvField(e[4]) + ',' +
               csvField(e[3]) + '\n');
    }
    return out.join('');
  }
  document.getElementById('export').addEventListener('click', function () {
    var url = URL.createObjectURL(new Blob([csv()], {type: 'text/csv'}));
    var a = document.createElement('a');
    a.href = url;
    a.download = (document.title || 'events').replace(/\.[^.]*$/, '') + '.csv';
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
  });

  // ---- the interactive drawings -----------------------------------------
  var explore = document.getElementById('explore');
  var mapCanvas = document.getElementById('map-canvas'), graphCanvas = document.getElementById('graph-canvas');
  var route = view.route, evt = view.ev, fields = view.fields;
  var state = {markers: 0, nowhere: 0, graphMarkers: 0, highlighted: null};

  // The route on a local flat grid in metres (no tiles: the page stays one file).
  var lat0 = 0, lon0 = 0, kx = 111320, ky = 110540;
  var allLat = route.lat.concat(evt.lat.filter(function (v) { return v !== null; }));
  var allLon = route.lon.concat(evt.lon.filter(function (v) { return v !== null; }));
  var box = null;
  if (allLat.length) {
    var minLat = Math.min.apply(null, allLat.slice(0, 100000)), maxLat = Math.max.apply(null, allLat.slice(0, 100000));
    var minLon = Math.min.apply(null, allLon.slice(0, 100000)), maxLon = Math.max.apply(null, allLon.slice(0, 100000));
    for (var q = 100000; q < allLat.length; ++q) {
      minLat = Math.min(minLat, allLat[q]); maxLat = Math.max(maxLat, allLat[q]);
      minLon = Math.min(minLon, allLon[q]); maxLon = Math.max(maxLon, allLon[q]);
    }
    lat0 = (minLat + maxLat) / 2; lon0 = (minLon + maxLon) / 2;
    kx = 111320 * Math.cos(lat0 * Math.PI / 180);
    box = [(minLon - lon0) * kx, (minLat - lat0) * ky, (maxLon - lon0) * kx, (maxLat - lat0) * ky];
  }
  var mapView = {cx: 0, cy: 0, scale: 1};
  function fitMap() {
    if (!box) return;
    var w = Math.max(box[2] - box[0], 50), h = Math.max(box[3] - box[1], 50);
    mapView.cx = (box[0] + box[2]) / 2; mapView.cy = (box[1] + box[3]) / 2;
    mapView.scale = 0.9 * Math.min(mapCanvas.width / w, mapCanvas.height / h);
  }
  function toScreen(lat, lon) {
    return [mapCanvas.width / 2 + ((lon - lon0) * kx - mapView.cx) * mapView.scale,
            mapCanvas.height / 2 - ((lat - lat0) * ky - mapView.cy) * mapView.scale];
  }

  var bins = view.bins || [];
  var palette = ['#d7191c', '#f07c28', '#e8c400', '#8cc63f', '#1a9641'];
  function binColour(k) {
    var n = bins.length + 1;
    if (n === palette.length) return palette[k];
    return 'hsl(' + Math.round(120 * k / Math.max(1, n - 1)) + ',75%,42%)';
  }
  function binOf(v) {
    if (v === null || v === undefined) return -1;
    var k = 0;
    while (k < bins.length && v >= bins[k]) ++k;
    return k;
  }
  function binLabel(k) {
    if (k === 0) return '< ' + bins[0];
    if (k === bins.length) return '>= ' + bins[bins.length - 1];
    return bins[k - 1] + ' to ' + bins[k];
  }

  var mapHits = [], graphHits = [];
  function drawMap() {
    var c = mapCanvas.getContext('2d');
    c.clearRect(0, 0, mapCanvas.width, mapCanvas.height);
    c.lineWidth = 3; c.lineJoin = 'round'; c.lineCap = 'round';
    var n = route.lat.length, colour = null, p = null;
    for (var i = 0; i < n; ++i) {
      var s = toScreen(route.lat[i], route.lon[i]);
      var t = route.t[i];
      var col = (t !== null && t !== undefined && !inWindow(t)) ? '#d8d8d8'
              : bins.length ? (binOf(route.v[i]) < 0 ? '#999' : binColour(binOf(route.v[i]))) : '#6c8ebf';
      if (p && col !== colour) { c.lineTo(s[0], s[1]); c.stroke(); }
      if (!p || col !== colour) { c.beginPath(); c.strokeStyle = col; c.moveTo(p ? p[0] : s[0], p ? p[1] : s[1]); colour = col; }
      c.lineTo(s[0], s[1]);
      p = s;
    }
    if (p) c.stroke();
    mapHits = [];
    var markers = 0, nowhere = 0;
    // Markers of one event on one pixel are drawn once: laps over the same
    // streets would otherwise paint the same circle thousands of times.
    var drawnAt = new Set();
    for (var e = 0; e < events.length; ++e) {
      var st = styles[events[e][2]];
      if (!st[5] || off[events[e][2]] || !inWindow(evt.t[e])) continue;
      if (evt.lat[e] === null) { ++nowhere; continue; }
      ++markers;
      var m = toScreen(evt.lat[e], evt.lon[e]);
      if (m[0] < -10 || m[1] < -10 || m[0] > mapCanvas.width + 10 || m[1] > mapCanvas.height + 10) continue;
      var key = events[e][2] * 4194304 + Math.round(m[1]) * 2048 + Math.round(m[0]);
      if (drawnAt.has(key)) continue;
      drawnAt.add(key);
      c.beginPath(); c.arc(m[0], m[1], 4.5, 0, 2 * Math.PI);
      c.fillStyle = st[2]; c.strokeStyle = st[3]; c.lineWidth = 1.5; c.fill(); c.stroke();
      mapHits.push([m[0], m[1], e]);
    }
    state.markers = markers; state.nowhere = nowhere; state.highlighted = null;
    if (sel >= 0 && evt.lat[sel] !== null) {
      var h = toScreen(evt.lat[sel], evt.lon[sel]);
      c.beginPath(); c.arc(h[0], h[1], 11, 0, 2 * Math.PI);
      c.lineWidth = 4; c.strokeStyle = '#fff'; c.stroke();
      c.lineWidth = 2; c.strokeStyle = '#000'; c.stroke();
      state.highlighted = {x: h[0], y: h[1], index: sel};
      mapHits.push([h[0], h[1], sel]);  // found on hover even where another result hides it
    }
    // Scale bar: a round length of some 120 pixels.
    var metres = 120 / mapView.scale, unit = Math.pow(10, Math.floor(Math.log10(metres)));
    var len = [5, 2, 1].map(function (f) { return f * unit; }).filter(function (l) { return l <= metres; })[0] || unit;
    var px = len * mapView.scale, y = mapCanvas.height - 14;
    c.strokeStyle = '#222'; c.lineWidth = 2; c.beginPath();
    c.moveTo(12, y - 5); c.lineTo(12, y); c.lineTo(12 + px, y); c.lineTo(12 + px, y - 5); c.stroke();
    c.fillStyle = '#222'; c.font = '12px system-ui, sans-serif';
    c.fillText(len >= 1000 ? (len / 1000) + ' km' : len + ' m', 18 + px, y);
    // North is up: the grid is not turned.
    var nx = mapCanvas.width - 28, ny = 14;
    c.fillStyle = '#222'; c.beginPath();
    c.moveTo(nx, ny); c.lineTo(nx + 9, ny + 26); c.lineTo(nx, ny + 19); c.lineTo(nx - 9, ny + 26); c.closePath(); c.fill();
    c.font = '700 12px system-ui, sans-serif'; c.textAlign = 'center'; c.fillText('N', nx, ny + 40); c.textAlign = 'left';
    if (!box) {
      c.fillStyle = '#888'; c.font = '16px system-ui, sans-serif'; c.textAlign = 'center';
      c.fillText('no record of this log has a position', mapCanvas.width / 2, mapCanvas.height / 2);
      c.textAlign = 'left';
    }
    mapCanvas.setAttribute('data-markers', String(markers));
  }

  // Graph: time across, up to two fields on two axes.
  var fieldLeft = document.getElementById('field-left'), fieldRight = document.getElementById('field-right');
  fields.forEach(function (f, i) {
    [fieldLeft, fieldRight].forEach(function (box) {
      var o = document.createElement('option');
      o.value = String(i); o.textContent = f.name + ' \u2013 ' + f.label;
      box.appendChild(o);
    });
  });
  fieldLeft.value = String(view.serving >= 0 ? view.serving : 0);
  var span = Math.max(view.span || 0, 1);
  var gv = {t0: 0, t1: span};
  var plot = {left: 64, right: 64, top: 22, bottom: 28};
  function tx(t) { return plot.left + (t - gv.t0) / (gv.t1 - gv.t0) * (graphCanvas.width - plot.left - plot.right); }
  function tOf(x) { return gv.t0 + (x - plot.left) / (graphCanvas.width - plot.left - plot.right) * (gv.t1 - gv.t0); }

  function drawSeries(c, f, colour, side) {
    var lo = Infinity, hi = -Infinity, i, n = f.t.length;
    for (i = 0; i < n; ++i) {
      if (f.v[i] === null || f.t[i] < gv.t0 || f.t[i] > gv.t1) continue;
      if (f.v[i] < lo) lo = f.v[i];
      if (f.v[i] > hi) hi = f.v[i];
    }
    var bottom = graphCanvas.height - plot.bottom, top = plot.top;
    if (lo === Infinity) return;
    if (hi - lo < 1) { lo -= 0.5; hi += 0.5; }
    var pad = (hi - lo) * 0.05; lo -= pad; hi += pad;
    function ty(v) { return bottom - (v - lo) / (hi - lo) * (bottom - top); }
    c.font = '11px system-ui, sans-serif'; c.fillStyle = colour; c.textAlign = side === 'left' ? 'right' : 'left';
    for (var k = 0; k <= 4; ++k) {
      var v = lo + (hi - lo) * k / 4, y = ty(v);
      c.fillText(v.toFixed(Math.abs(hi - lo) < 10 ? 1 : 0), side === 'left' ? plot.left - 4 : graphCanvas.width - plot.right + 4, y + 4);
      if (side === 'left') { c.strokeStyle = '#eee'; c.lineWidth = 1; c.beginPath(); c.moveTo(plot.left, y); c.lineTo(graphCanvas.width - plot.right, y); c.stroke(); }
    }
    c.save();
    c.beginPath(); c.rect(plot.left, 0, graphCanvas.width - plot.left - plot.right, graphCanvas.height); c.clip();
    c.strokeStyle = colour; c.lineWidth = 1.2; c.beginPath();
    var open = false;
    var from = 0;
    while (from < n && f.t[from] < gv.t0) ++from;
    for (i = Math.max(0, from - 1); i < n; ++i) {
      if (f.v[i] === null) { open = false; continue; }
      var x = tx(f.t[i]), y2 = ty(f.v[i]);
      if (open) c.lineTo(x, y2); else c.moveTo(x, y2);
      open = true;
      if (f.t[i] > gv.t1) break;
    }
    c.stroke();
    c.restore();
  }

  function drawGraph() {
    var c = graphCanvas.getContext('2d'), W = graphCanvas.width, H = graphCanvas.height;
    c.clearRect(0, 0, W, H);
    c.save();
    if (win) {
      c.fillStyle = 'rgba(70,130,220,.15)';
      c.fillRect(tx(win[0]), plot.top, tx(win[1]) - tx(win[0]), H - plot.top - plot.bottom);
    }
    // Time ticks at a round step.
    var steps = [1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 14400, 43200];
    var step = steps.filter(function (s) { return (gv.t1 - gv.t0) / s <= 8; })[0] || 86400;
    c.font = '11px system-ui, sans-serif'; c.fillStyle = '#333'; c.textAlign = 'center';
    for (var t = Math.ceil((startSod + gv.t0) / step) * step - startSod; t <= gv.t1; t += step) {
      var x = tx(t);
      c.strokeStyle = '#eee'; c.beginPath(); c.moveTo(x, plot.top); c.lineTo(x, H - plot.bottom); c.stroke();
      c.fillText(clock(t, step < 1 ? 1 : 0), x, H - plot.bottom + 14);
    }
    var left = fields[Number(fieldLeft.value)], right = fields[Number(fieldRight.value)];
    if (left) drawSeries(c, left, '#1f3a93', 'left');
    if (right) drawSeries(c, right, '#c0392b', 'right');
    c.restore();
    if (left) { c.fillStyle = '#1f3a93'; c.textAlign = 'left'; c.font = '600 12px system-ui, sans-serif'; c.fillText(left.label, plot.left, 12); }
    if (right) { c.fillStyle = '#c0392b'; c.textAlign = 'right'; c.fillText(right.label, W - plot.right, 12); }
    if (!left) { c.fillStyle = '#888'; c.textAlign = 'center'; c.fillText('no measured field in this log', W / 2, H / 2); }
    // Event ticks in a strip above the plot.
    graphHits = [];
    var count = 0;
    for (var e = 0; e < events.length; ++e) {
      var st = styles[events[e][2]], te = evt.t[e];
      if (!st[6] || off[events[e][2]] || te < gv.t0 || te > gv.t1) continue;
      ++count;
      var xe = tx(te);
      c.fillStyle = st[3]; c.fillRect(xe - 1, plot.top - 8, 2, 8);
      graphHits.push([xe, plot.top - 4, e]);
    }
    state.graphMarkers = count;
    if (sel >= 0 && evt.t[sel] >= gv.t0 && evt.t[sel] <= gv.t1) {
      c.strokeStyle = '#000'; c.lineWidth = 2; c.beginPath();
      c.moveTo(tx(evt.t[sel]), plot.top - 10); c.lineTo(tx(evt.t[sel]), H - plot.bottom); c.stroke();
    }
    if (drag && drag.kind === 'select') {
      c.fillStyle = 'rgba(0,0,0,.12)';
      c.fillRect(Math.min(drag.x0, drag.x), plot.top, Math.abs(drag.x - drag.x0), H - plot.top - plot.bottom);
    }
    graphCanvas.setAttribute('data-field', left ? left.name : '');
  }

  function redraw() { drawMap(); drawGraph(); }
  var windowText = document.getElementById('window-text');
  function setWindow(w) {
    win = w;
    windowText.textContent = w ? 'time window ' + clock(w[0], 3) + ' to ' + clock(w[1], 3) : 'whole log';
    filter();
    redraw();
  }

  // Legends: one toggle per event for the map and the graph; the route's bins.
  var legend = document.getElementById('legend');
  styles.forEach(function (s, i) {
    if (!s[5] && !s[6]) return;
    var label = document.createElement('label');
    var box = document.createElement('input');
    box.type = 'checkbox'; box.checked = true; box.setAttribute('data-event', s[0]);
    box.addEventListener('change', function () { off[i] = !box.checked; redraw(); });
    var sw = document.createElement('span');
    sw.className = 'swatch'; sw.style.background = s[2]; sw.style.borderColor = s[3];
    label.appendChild(box); label.appendChild(sw); label.appendChild(document.createTextNode(s[0]));
    legend.appendChild(label);
  });
  var binBox = document.getElementById('bins');
  if (bins.length) {
    var label0 = fields[view.serving] ? fields[view.serving].label : 'serving signal';
    binBox.appendChild(document.createTextNode('Route by ' + label0 + ':'));
    for (var k = 0; k <= bins.length; ++k) {
      var item = document.createElement('span');
      item.innerHTML = '<span class="swatch"></span> ';
      item.firstChild.style.background = binColour(k);
      item.appendChild(document.createTextNode(binLabel(k)));
      binBox.appendChild(item);
    }
    var none = document.createElement('span');
    none.innerHTML = '<span class="swatch" style="background:#999"></span> no value';
    binBox.appendChild(none);
  } else {
    binBox.textContent = 'The KPI file gives no bins for this network\u2019s serving signal: the route has one colour.';
  }

  // A row found on the map and the graph.
  function select(i, scroll) {
    sel = i;
    if (i >= 0) {
      if (evt.lat[i] !== null) {
        var s = toScreen(evt.lat[i], evt.lon[i]);
        if (s[0] < 0 || s[1] < 0 || s[0] > mapCanvas.width || s[1] > mapCanvas.height) {
          mapView.cx = (evt.lon[i] - lon0) * kx; mapView.cy = (evt.lat[i] - lat0) * ky;
        }
      }
      var t = evt.t[i];
      if (t < gv.t0 || t > gv.t1) { var w = gv.t1 - gv.t0; gv.t0 = t - w / 2; gv.t1 = t + w / 2; }
    }
    draw();
    redraw();
    if (scroll) explore.scrollIntoView({block: 'start'});
  }

  // Pointer handling. Moves are drawn once a frame, however many arrive.
  var drag = null;
  var later = {map: false, graph: false, queued: false};
  function soon(what) {
    later[what] = true;
    if (later.queued) return;
    later.queued = true;
    requestAnimationFrame(function () {
      later.queued = false;
      if (later.map) drawMap();
      if (later.graph) drawGraph();
      later.map = later.graph = false;
    });
  }
  function at(canvas, ev) {
    var r = canvas.getBoundingClientRect();
    return [(ev.clientX - r.left) * canvas.width / r.width, (ev.clientY - r.top) * canvas.height / r.height];
  }
  mapCanvas.addEventListener('mousedown', function (ev) {
    var p = at(mapCanvas, ev);
    drag = {kind: 'pan-map', x: p[0], y: p[1]};
    ev.preventDefault();
  });
  graphCanvas.addEventListener('mousedown', function (ev) {
    var p = at(graphCanvas, ev);
    drag = {kind: ev.shiftKey ? 'pan-graph' : 'select', x0: p[0], x: p[0]};
    ev.preventDefault();
  });
  window.addEventListener('mousemove', function (ev) {
    if (drag && drag.kind === 'pan-map') {
      var p = at(mapCanvas, ev);
      mapView.cx -= (p[0] - drag.x) / mapView.scale; mapView.cy += (p[1] - drag.y) / mapView.scale;
      drag.x = p[0]; drag.y = p[1];
      soon('map');
      return;
    }
    if (drag) {
      var g = at(graphCanvas, ev);
      if (drag.kind === 'pan-graph') {
        var dt = tOf(drag.x) - tOf(g[0]);
        gv.t0 += dt; gv.t1 += dt; drag.x = g[0];
      } else {
        drag.x = Math.max(plot.left, Math.min(graphCanvas.width - plot.right, g[0]));
      }
      soon('graph');
      return;
    }
    hover(ev);
  });
  window.addEventListener('mouseup', function () {
    var d = drag;
    drag = null;
    if (d && d.kind === 'select' && Math.abs(d.x - d.x0) > 3) {
      var a = Math.round(tOf(Math.min(d.x, d.x0)) * 1000) / 1000, b = Math.round(tOf(Math.max(d.x, d.x0)) * 1000) / 1000;
      setWindow([a, b]);
    } else if (d) {
      redraw();
    }
  });
  function zoom(canvas, ev) {
    ev.preventDefault();
    var f = ev.deltaY < 0 ? 1.25 : 0.8, p = at(canvas, ev);
    if (canvas === mapCanvas) {
      var mx = mapView.cx + (p[0] - mapCanvas.width / 2) / mapView.scale, my = mapView.cy - (p[1] - mapCanvas.height / 2) / mapView.scale;
      mapView.scale *= f;
      mapView.cx = mx - (p[0] - mapCanvas.width / 2) / mapView.scale; mapView.cy = my + (p[1] - mapCanvas.height / 2) / mapView.scale;
      drawMap();
    } else {
      var t = tOf(p[0]);
      gv.t0 = t - (t - gv.t0) / f; gv.t1 = t + (gv.t1 - t) / f;
      drawGraph();
    }
  }
  mapCanvas.addEventListener('wheel', function (ev) { zoom(mapCanvas, ev); }, {passive: false});
  graphCanvas.addEventListener('wheel', function (ev) { zoom(graphCanvas, ev); }, {passive: false});

  function hover(ev) {
    var target = ev.target === mapCanvas ? mapHits : ev.target === graphCanvas ? graphHits : null;
    var m = ev.target.closest && ev.target.closest('.mm, .gm');
    if (!target && !m) { tip.style.display = 'none'; return; }
    var text;
    if (m) {
      var n = Number(m.getAttribute('data-count'));
      text = m.getAttribute('data-event') + (n > 1 ? ' \u00d7' + n : '');
    } else {
      var p = at(ev.target, ev), best = -1, bestD = 64;
      for (var k = 0; k < target.length; ++k) {
        var dx = target[k][0] - p[0], dy = target[k][1] - p[1], d = dx * dx + dy * dy;
        // The selected result, ringed on top, wins a tie with others on its spot.
        if (d < bestD || (d === bestD && target[k][2] === sel) || (d <= bestD && best !== sel)) { bestD = d; best = target[k][2]; }
      }
      if (best < 0) { tip.style.display = 'none'; return; }
      var e = events[best];
      text = styles[e[2]][0] + '\n' + e[1] + '\n' + (view.frames ? 'frame ' : 'record ') + e[0] + ' (' + e[4] + ')' +
             (e[3] ? '\n' + e[3].split(' | ').join('\n') : '');
    }
    tip.textContent = text;
    tip.style.left = (ev.clientX + 12) + 'px';
    tip.style.top = (ev.clientY + 12) + 'px';
    tip.style.display = 'block';
  }

  // The tooltip belongs to the spot under the pointer: scrolling or leaving a drawing hides it.
  function hideTip() { tip.style.display = 'none'; }
  window.addEventListener('scroll', hideTip, true);
  mapCanvas.addEventListener('mouseleave', hideTip);
  graphCanvas.addEventListener('mouseleave', hideTip);
  fieldLeft.addEventListener('change', drawGraph);
  fieldRight.addEventListener('change', drawGraph);
  document.getElementById('reset').addEventListener('click', function () {
    fitMap();
    gv.t0 = 0; gv.t1 = span;
    setWindow(null);
  });
  document.querySelectorAll('details.failure').forEach(function (d) {
    d.querySelector('summary').addEventListener('dblclick', function () { select(Number(d.getAttribute('data-row')), true); });
  });
  if (view.frames) document.querySelector('.table-head span').textContent = 'frame';

  // With the script the canvases stand in for the drawings written in the file.
  explore.hidden = false;
  document.getElementById('route').hidden = true;
  document.getElementById('signal').hidden = true;
  mapCanvas.width = Math.max(320, Math.min(1400, explore.clientWidth - 2));
  graphCanvas.width = mapCanvas.width;
  fitMap();
  filter();
  redraw();

  // What a test or a person at the console can ask the page.
  window.eventscanReport = {
    state: function () {
      return {rows: visible.length, markers: state.markers, nowhere: state.nowhere, graphMarkers: state.graphMarkers,
              window: win, selected: sel, highlighted: state.highlighted, start: view.start, span: span,
              left: fields[Number(fieldLeft.value)] ? fields[Number(fieldLeft.value)].name : null,
              right: fields[Number(fieldRight.value)] ? fields[Number(fieldRight.value)].name : null,
              fields: fields.map(function (f) { return f.name; }), mapScale: mapView.scale,
              graphRange: [gv.t0, gv.t1], plot: plot};
    },
    csv: csv
  };
  document.body.setAttribute('data-ready', 'true');
})();
