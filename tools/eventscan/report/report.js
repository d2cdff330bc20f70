// The report's working parts: the map (Leaflet, inlined), the chart of the
// measured fields (uPlot, inlined) and the event table (rows drawn only where
// it is scrolled to, so hundreds of thousands of events keep a small page).
// The chart's time range is the page's time window: it filters the map, the
// table and the KPI table, which is recomputed for the window as `eventscan
// kpi --from/--to` computes it. A row, a marker and an event tick on the chart
// select one another. Without a library the page says which one it lacks and
// keeps the still drawings of the file in its place.
(function () {
  'use strict';
  var data = JSON.parse(document.getElementById('report-data').textContent);
  var styles = data.styles;   // [name, kind, back, font, icon, inMap, inGraph]
  var events = data.events;   // [record, time, style, details, network]
  var icons = data.icons || [];
  var view = data.view || {fields: [], serving: -1, route: {lat: [], lon: [], t: [], v: []}, bins: [], ev: {t: [], lat: [], lon: []}};
  var evt = view.ev, route = view.route, fields = view.fields, bins = view.bins || [];
  var L = window.L, uPlot = window.uPlot;
  var hasMap = !!L, hasChart = !!uPlot;
  var rowHeight = 20, spare = 10;
  var table = document.getElementById('table');
  var body = document.getElementById('table-body');
  var kindBox = document.getElementById('filter-kind');
  var nameBox = document.getElementById('filter-name');
  var shown = document.getElementById('shown');
  var visible = [];          // event indices the table lists
  var win = null;            // [from, to] seconds from the log's start, or null for the whole log
  var off = styles.map(function () { return false; });
  var sel = -1;
  var span = Math.max(view.span || 0, 0.001);
  var tip = document.createElement('div');
  tip.id = 'tip';
  document.body.appendChild(tip);

  // ---- time texts -------------------------------------------------------
  // Log times carry no zone: they are shown as written, so the page reckons
  // them as UTC whatever the zone of the machine that shows it.
  var startMs = (function () {
    var m = /(\d+)-(\d+)-(\d+)[ T](\d+):(\d+):(\d+)(?:\.(\d+))?/.exec(view.start || '');
    if (!m) return 0;
    return Date.UTC(+m[1], +m[2] - 1, +m[3], +m[4], +m[5], +m[6]) + Math.round(Number('0.' + (m[7] || '0')) * 1000);
  })();
  function pad(n, w) { var s = String(n); while (s.length < (w || 2)) s = '0' + s; return s; }
  // "2026-03-14 10:00:01.250" of seconds from the start.
  function timeText(t, decimals) {
    var d = new Date(startMs + Math.round(t * 1000));
    var text = d.getUTCFullYear() + '-' + pad(d.getUTCMonth() + 1) + '-' + pad(d.getUTCDate()) + ' ' +
               pad(d.getUTCHours()) + ':' + pad(d.getUTCMinutes()) + ':' + pad(d.getUTCSeconds());
    if (decimals === undefined) decimals = 3;
    if (decimals > 0) text += '.' + pad(d.getUTCMilliseconds(), 3).slice(0, decimals);
    return text;
  }
  var days = Math.floor((startMs + span * 1000) / 86400000) - Math.floor(startMs / 86400000);
  function msOf(t) { return Math.round(t * 1000); }
  function inWindow(t) { return !win || (msOf(t) >= msOf(win[0]) && msOf(t) <= msOf(win[1])); }

  // ---- the table --------------------------------------------------------
  function cell(text) {
    var s = document.createElement('span');
    s.textContent = text;
    return s;
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
  function drawRows() {
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
  // The rows of the events chosen by the kind and name filters and the
  // legend, in the time window.
  function filterRows() {
    var kind = kindBox.value, name = nameBox.value.trim().toLowerCase();
    var wanted = styles.map(function (s, i) {
      return !off[i] && (!kind || s[1] === kind) && (!name || s[0].toLowerCase().indexOf(name) >= 0);
    });
    visible = [];
    for (var i = 0; i < events.length; ++i)
      if (wanted[events[i][2]] && (evt.t[i] === undefined || inWindow(evt.t[i]))) visible.push(i);
    body.style.height = (visible.length * rowHeight) + 'px';
    shown.textContent = visible.length + ' of ' + events.length + ' events';
    table.scrollTop = 0;
    drawRows();
  }
  // Scrolls the table so that event i's row is in view (when it is listed).
  function scrollToRow(i) {
    var k = visible.indexOf(i);
    if (k < 0) return;
    var top = k * rowHeight;
    if (top < table.scrollTop || top + rowHeight > table.scrollTop + table.clientHeight)
      table.scrollTop = Math.max(0, top - table.clientHeight / 2);
    drawRows();
  }
  var pendingRows = false;
  table.addEventListener('scroll', function () {
    if (pendingRows) return;
    pendingRows = true;
    requestAnimationFrame(function () { pendingRows = false; drawRows(); });
  });
  body.addEventListener('click', function (ev) {
    var r = ev.target.closest && ev.target.closest('.row');
    if (r) select(Number(r.firstChild.getAttribute('data-index')), 'table');
  });
  kindBox.addEventListener('change', filterRows);
  nameBox.addEventListener('input', filterRows);

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

  // ---- the KPI table for the window --------------------------------------
  var kpiWindow;  // made at the first window: it reads every record's time
  var kpiRows = Array.prototype.slice.call(document.querySelectorAll('table.kpi tr[data-kpi]'));
  var kpiCaption = document.getElementById('kpi-window');
  function showKpis() {
    if (kpiWindow === undefined) kpiWindow = KpiWindow(data.kpiWindow);
    if (!kpiWindow || kpiRows.length !== kpiWindow.count) return;
    var values = kpiWindow.compute(win ? msOf(win[0]) : null, win ? msOf(win[1]) : null);
    values.forEach(function (v, k) { kpiWindow.show(kpiRows[k], v); });
    kpiCaption.textContent = win ? 'of the window ' + timeText(win[0]) + ' to ' + timeText(win[1]) : '';
  }

  // ---- the map ------------------------------------------------------------
  var explore = document.getElementById('explore');
  var work = explore.querySelector('.work');
  var missing = [];
  var placed = route.lat.length > 0 || evt.lat.some(function (v) { return v !== null; });
  var map = null, ring = null, proxies = [];
  var state = {markers: 0, nowhere: 0, graphMarkers: 0};
  var palette = ['#d7191c', '#f07c28', '#e8c400', '#8cc63f', '#1a9641'];
  function binColour(k) {
    var n = bins.length + 1;
    if (k < 0) return '#999';
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
  function tipText(i) {
    var e = events[i];
    return styles[e[2]][0] + '\n' + e[1] + '\n' + (view.frames ? 'frame ' : 'record ') + e[0] + ' (' + e[4] + ')' +
           (e[3] ? '\n' + e[3].split(' | ').join('\n') : '');
  }
  // The events on the map: drawn on a canvas of their own over the map and
  // clustered on a grid of the screen at each redraw. Tens of thousands of
  // markers as page elements (or through a cluster plugin that keeps every
  // zoom level's clusters) take seconds a zoom step; a canvas a few
  // milliseconds. A lone event shows its own icon (or a dot in its colours),
  // a crowd a circle with its count.
  var shownOnMap = [], hits = [], cellPixels = 44;
  var mercX = evt.lon.map(function (lon) { return lon === null ? null : (lon + 180) / 360; });
  var mercY = evt.lat.map(function (lat) {
    if (lat === null) return null;
    var s = Math.sin(Math.max(-85, Math.min(85, lat)) * Math.PI / 180);
    return 0.5 - Math.log((1 + s) / (1 - s)) / (4 * Math.PI);
  });
  var images = icons.map(function (uri) { var im = new Image(); im.src = uri; im.onload = function () { eventLayer.redraw(); }; return im; });
  var eventLayer = {
    canvas: null,
    queued: false,
    attach: function () {
      var c = this.canvas = document.createElement('canvas');
      c.className = 'ev-canvas';
      map.getContainer().appendChild(c);
      var self = this;
      map.on('move zoom resize viewreset', function () { self.redraw(); });
      map.on('zoomanim', function () { c.style.visibility = 'hidden'; });
      map.on('zoomend', function () { c.style.visibility = ''; self.draw(); });
    },
    redraw: function () {
      if (!this.canvas || this.queued) return;
      this.queued = true;
      var self = this;
      requestAnimationFrame(function () { self.queued = false; self.draw(); });
    },
    draw: function () {
      var c = this.canvas, size = map.getSize(), ratio = window.devicePixelRatio || 1;
      if (c.width !== size.x * ratio || c.height !== size.y * ratio) {
        c.width = size.x * ratio; c.height = size.y * ratio;
        c.style.width = size.x + 'px'; c.style.height = size.y + 'px';
      }
      var g = c.getContext('2d');
      g.setTransform(ratio, 0, 0, ratio, 0, 0);
      g.clearRect(0, 0, size.x, size.y);
      hits = [];
      var world = 256 * Math.pow(2, map.getZoom());
      var origin = map.containerPointToLayerPoint([0, 0]).add(map.getPixelOrigin());
      if (proxies.routeShown !== false) state.routeColours = paintRoute(g, world, origin, size);
      if (proxies.events === false) return;
      var cells = new Map(), margin = 24, atMost = map.getZoom() >= map.getMaxZoom();
      for (var k = 0; k < shownOnMap.length; ++k) {
        var i = shownOnMap[k];
        var x = mercX[i] * world - origin.x, y = mercY[i] * world - origin.y;
        if (x < -margin || y < -margin || x > size.x + margin || y > size.y + margin) continue;
        var key = Math.floor(x / cellPixels) * 100000 + Math.floor(y / cellPixels);
        var cell = cells.get(key);
        if (!cell) cells.set(key, cell = {x: 0, y: 0, list: []});
        cell.x += x; cell.y += y; cell.list.push(i);
      }
      var singles = [];
      cells.forEach(function (cell) {
        var n = cell.list.length, cx = cell.x / n, cy = cell.y / n;
        if (n === 1) { singles.push([cx, cy, cell.list[0]]); return; }
        var r = n < 10 ? 12 : n < 100 ? 15 : n < 1000 ? 18 : 21;
        g.beginPath(); g.arc(cx, cy, r + 4, 0, 2 * Math.PI);
        g.fillStyle = n < 10 ? 'rgba(110,204,57,.45)' : n < 100 ? 'rgba(240,194,12,.45)' : 'rgba(241,128,23,.45)'; g.fill();
        g.beginPath(); g.arc(cx, cy, r, 0, 2 * Math.PI);
        g.fillStyle = n < 10 ? 'rgba(110,204,57,.9)' : n < 100 ? 'rgba(240,194,12,.9)' : 'rgba(241,128,23,.9)'; g.fill();
        g.fillStyle = '#222'; g.font = '600 11px system-ui, sans-serif'; g.textAlign = 'center'; g.textBaseline = 'middle';
        g.fillText(String(n), cx, cy);
        hits.push({x: cx, y: cy, r: r + 4, list: cell.list, crowd: !atMost || n > 1});
      });
      singles.forEach(function (m) {
        var st = styles[events[m[2]][2]], im = st[4] >= 0 ? images[st[4]] : null;
        if (im && im.complete && im.naturalWidth) {
          g.imageSmoothingEnabled = false;
          g.drawImage(im, m[0] - 8, m[1] - 8, 16, 16);
        } else {
          g.beginPath(); g.arc(m[0], m[1], 5, 0, 2 * Math.PI);
          g.fillStyle = st[2]; g.strokeStyle = st[3]; g.lineWidth = 2; g.fill(); g.stroke();
        }
        hits.push({x: m[0], y: m[1], r: 10, list: [m[2]], crowd: false});
      });
    },
    at: function (p) {
      var best = null, bestD = Infinity;
      for (var k = 0; k < hits.length; ++k) {
        var h = hits[k], d = Math.hypot(h.x - p.x, h.y - p.y);
        if (d <= h.r && d < bestD) { best = h; bestD = d; }
      }
      return best;
    }
  };
  function mapClicked(ev) {
    var h = eventLayer.at(ev.containerPoint);
    if (!h) return;
    if (h.list.length === 1) { select(h.list[0], 'map'); return; }
    if (map.getZoom() < map.getMaxZoom()) {
      // A crowd opens: the map zooms to the events it holds.
      var b = L.latLngBounds(h.list.map(function (i) { return [evt.lat[i], evt.lon[i]]; }));
      map.fitBounds(b.pad(0.2), {maxZoom: Math.min(map.getMaxZoom(), Math.max(map.getZoom() + 2, map.getBoundsZoom(b.pad(0.2)))), animate: false});
    } else {
      select(h.list[0], 'map');  // the last zoom: events on one spot, the first of them
    }
  }
  function mapHover(ev) {
    var h = eventLayer.at(ev.containerPoint);
    map.getContainer().style.cursor = h ? 'pointer' : '';
    if (!h) { hideTip(); return; }
    var text = h.list.length === 1 ? tipText(h.list[0]) : h.list.length + ' events: click to zoom in\n' +
      Object.entries(h.list.reduce(function (o, i) { var n = styles[events[i][2]][0]; o[n] = (o[n] || 0) + 1; return o; }, {}))
        .sort(function (a, b) { return b[1] - a[1]; }).slice(0, 8).map(function (e) { return e[1] + ' \u00d7 ' + e[0]; }).join('\n');
    showTip(text, ev.originalEvent);
  }
  // The route, drawn on the events' canvas under them: each segment in the
  // colour of its serving-signal bin (grey outside the time window), and on
  // the screen a point closer than a pixel and a half to the last one drawn
  // is passed over, so a long log draws as fast as a short one without
  // cutting a corner.
  var routeX = route.lon.map(function (lon) { return (lon + 180) / 360; });
  var routeY = route.lat.map(function (lat) {
    var s = Math.sin(Math.max(-85, Math.min(85, lat)) * Math.PI / 180);
    return 0.5 - Math.log((1 + s) / (1 - s)) / (4 * Math.PI);
  });
  var routeColour = [], outsideColour = '#c4c4c4';
  function drawRoute() {
    routeColour = [];
    for (var i = 0; i + 1 < route.lat.length; ++i) {
      var t = route.t[i], t1 = route.t[i + 1];
      var inside = t === null || t === undefined || (inWindow(t) && inWindow(t1 === null ? t : t1));
      routeColour.push(inside ? (bins.length ? binColour(binOf(route.v[i])) : '#3b6fb6') : outsideColour);
    }
    if (map) eventLayer.redraw();
  }
  function paintRoute(g, world, origin, size) {
    var paths = new Map(), n = route.lat.length, margin = 8;
    var lastX = NaN, lastY = NaN, lastColour = null, open = false;
    for (var i = 0; i + 1 < n; ++i) {
      var c = routeColour[i];
      var ax = routeX[i] * world - origin.x, ay = routeY[i] * world - origin.y;
      var bx = routeX[i + 1] * world - origin.x, by = routeY[i + 1] * world - origin.y;
      if ((ax < -margin && bx < -margin) || (ay < -margin && by < -margin) ||
          (ax > size.x + margin && bx > size.x + margin) || (ay > size.y + margin && by > size.y + margin)) { open = false; continue; }
      var path = paths.get(c);
      if (!path) paths.set(c, path = new Path2D());
      if (!open || c !== lastColour) { path.moveTo(ax, ay); lastX = ax; lastY = ay; }
      open = true; lastColour = c;
      var endOfRun = i + 2 >= n || routeColour[i + 1] !== c;
      if (endOfRun || Math.abs(bx - lastX) + Math.abs(by - lastY) >= 1.5) { path.lineTo(bx, by); lastX = bx; lastY = by; }
    }
    g.lineJoin = 'round'; g.lineCap = 'round';
    var order = Array.from(paths.keys()).sort(function (a, b) { return (b === outsideColour) - (a === outsideColour); });
    order.forEach(function (c) {
      g.strokeStyle = c; g.lineWidth = c === outsideColour ? 3 : 4; g.globalAlpha = 0.9;
      g.stroke(paths.get(c));
    });
    g.globalAlpha = 1;
    return paths.size;
  }
  function drawMarkers() {
    var count = 0, nowhere = 0;
    shownOnMap = [];
    for (var i = 0; i < events.length; ++i) {
      var st = styles[events[i][2]];
      if (!st[5] || off[events[i][2]] || !inWindow(evt.t[i])) continue;
      if (evt.lat[i] === null) { ++nowhere; continue; }
      ++count;
      shownOnMap.push(i);
    }
    state.markers = count; state.nowhere = nowhere;
    if (map) eventLayer.redraw();
  }
  function fitMap() {
    if (!map) return;
    var s = Infinity, w = Infinity, n = -Infinity, e = -Infinity;
    function take(lat, lon) {
      if (lat < s) s = lat;
      if (lat > n) n = lat;
      if (lon < w) w = lon;
      if (lon > e) e = lon;
    }
    for (var i = 0; i < route.lat.length; ++i) if (route.t[i] === null || inWindow(route.t[i])) take(route.lat[i], route.lon[i]);
    for (var k = 0; k < events.length; ++k) if (evt.lat[k] !== null && inWindow(evt.t[k])) take(evt.lat[k], evt.lon[k]);
    if (s > n) return;
    map.fitBounds([[s, w], [n, e]], {padding: [16, 16], maxZoom: 18, animate: false});
  }
  function showRing() {
    if (!map) return;
    if (ring) { map.removeLayer(ring); ring = null; }
    if (sel < 0 || evt.lat[sel] === null) return;
    var at = L.latLng(evt.lat[sel], evt.lon[sel]);
    ring = L.marker(at, {icon: L.divIcon({className: 'ev-selected', iconSize: [26, 26], iconAnchor: [13, 13]}),
                         interactive: false, keyboard: false, zIndexOffset: 10000}).addTo(map);
    if (!map.getBounds().contains(at)) map.panTo(at, {animate: false});
  }
  function buildMap() {
    var el = document.getElementById('map');
    if (!placed) {
      el.hidden = true;
      var note = document.getElementById('no-map');
      note.hidden = false;
      note.textContent = 'No map: no record of this log carries a position (Latitude and Longitude), so nothing can be placed.';
      work.classList.add('mapless');
      document.getElementById('bins').hidden = true;
      return;
    }
    if (!hasMap) {
      el.hidden = true;
      missing.push('the map library (Leaflet, from libjs-leaflet) was not installed ' +
                   'when this program was built: the route is the still drawing below');
      document.getElementById('route').hidden = false;
      return;
    }
    map = L.map(el, {preferCanvas: true, zoomSnap: 0.25, maxZoom: 19, attributionControl: !!data.tiles});
    var plain = L.layerGroup(), bases = {'Plain': plain};
    if (data.tiles) {
      bases['Street map'] = L.tileLayer(data.tiles, {maxZoom: 19, attribution: 'tiles: ' + data.tiles.replace(/^(\w+:\/\/[^/]+).*/, '$1')});
      bases['Street map'].addTo(map);
    } else {
      plain.addTo(map);
    }
    L.control.scale({imperial: false}).addTo(map);
    window.eventscanReportMap = map;  // for a benchmark or a person at the console
    eventLayer.attach();
    map.on('click', mapClicked);
    map.on('mousemove', mapHover);
    map.on('mouseout', hideTip);
    var overlays = {};
    proxies.route = L.layerGroup().addTo(map);
    overlays['Route'] = proxies.route;
    proxies.eventsLayer = L.layerGroup().addTo(map);
    overlays['Events'] = proxies.eventsLayer;
    styles.forEach(function (s, i) {
      if (!s[5]) return;
      var proxy = L.layerGroup().addTo(map);
      proxy.eventIndex = i;
      proxies[i] = proxy;
      var label = (s[4] >= 0 && icons[s[4]] ? '\x3cimg alt="" src="' + icons[s[4]] + '">' : '') +
                  s[0].replace(/&/g, '&amp;').replace(/</g, '&lt;');
      overlays[label] = proxy;
    });
    L.control.layers(bases, overlays, {collapsed: true, sortLayers: false}).addTo(map);
    map.on('overlayadd overlayremove', function (ev) {
      if (ev.layer === proxies.eventsLayer) {
        proxies.events = ev.type === 'overlayadd';
        eventLayer.redraw();
        return;
      }
      if (ev.layer === proxies.route) {
        proxies.routeShown = ev.type === 'overlayadd';
        eventLayer.redraw();
        return;
      }
      if (ev.layer.eventIndex !== undefined) setOff(ev.layer.eventIndex, ev.type === 'overlayremove');
    });
    map.on('zoomstart movestart', hideTip);
    drawRoute();
    fitMap();
  }

  // ---- the chart ----------------------------------------------------------
  var fieldLeft = document.getElementById('field-left'), fieldRight = document.getElementById('field-right');
  var chartEl = document.getElementById('chart');
  var chart = null, settingScale = false;
  fields.forEach(function (f, i) {
    [fieldLeft, fieldRight].forEach(function (box) {
      var o = document.createElement('option');
      o.value = String(i); o.textContent = f.name + ' \u2013 ' + f.label;
      box.appendChild(o);
    });
  });
  fieldLeft.value = String(view.serving >= 0 ? view.serving : 0);
  var x0 = startMs / 1000;  // the chart's x: seconds since 1970, the log's times read as UTC
  function axisTimes(u, splits, axis, space, incr) {
    return splits.map(function (v) {
      var t = v - x0, text = timeText(t, incr < 1 ? 1 : 0);
      var clock = text.slice(11, incr >= 60 ? 16 : undefined);
      return days > 0 ? clock + '\n' + text.slice(0, 10) : clock;
    });
  }
  function chartSize() {
    var w = Math.max(300, chartEl.clientWidth || chartEl.parentNode.clientWidth || 600);
    return {width: w - 2, height: Math.max(180, Math.min(300, Math.round(window.innerHeight * 0.27)))};
  }
  function chartData(left, right) {
    var xs = function (f) { return f.t.map(function (t) { return x0 + t; }); };
    if (!left) return [[x0, x0 + span], [null, null]];
    if (!right) return [xs(left), left.v];
    return uPlot.join([[xs(left), left.v], [xs(right), right.v]]);
  }
  // Event ticks in a strip at the top of the plot, the selected event as a line.
  var ticks = [];
  function drawTicks(u) {
    var c = u.ctx, top = u.bbox.top, h = u.bbox.height, r = window.devicePixelRatio || 1;
    var lo = u.scales.x.min - x0, hi = u.scales.x.max - x0;
    ticks = [];
    c.save();
    for (var e = 0; e < events.length; ++e) {
      var st = styles[events[e][2]], te = evt.t[e];
      if (!st[6] || off[events[e][2]] || te < lo || te > hi) continue;
      var x = u.valToPos(x0 + te, 'x', true);
      c.fillStyle = st[3] === '#ffffff' ? st[2] : st[3];
      c.fillRect(x - r, top, 2 * r, 9 * r);
      ticks.push([x / r, e]);
    }
    state.graphMarkers = ticks.length;
    if (sel >= 0 && evt.t[sel] >= lo && evt.t[sel] <= hi) {
      var xs = u.valToPos(x0 + evt.t[sel], 'x', true);
      c.strokeStyle = '#000'; c.lineWidth = 2 * r;
      c.beginPath(); c.moveTo(xs, top); c.lineTo(xs, top + h); c.stroke();
    }
    c.restore();
  }
  function buildChart() {
    if (!hasChart) {
      missing.push('the chart library (uPlot, from the npm registry) was not installed when this program was built: ' +
                   'the signal is the still drawing below, and the time window cannot be chosen');
      document.getElementById('signal').hidden = false;
      chartEl.hidden = true;
      return;
    }
    var keep = chart ? [chart.scales.x.min, chart.scales.x.max] : null;
    if (chart) chart.destroy();
    var left = fields[Number(fieldLeft.value)], right = fields[Number(fieldRight.value)];
    var series = [{label: 'time', value: function (u, v) { return v === null || v === undefined ? '' : timeText(v - x0); }}];
    var axes = [{values: axisTimes, space: 70, size: days > 0 ? 44 : 30}];
    function value(u, v) { return v === null || v === undefined ? '-' : (Math.round(v * 100) / 100).toString(); }
    if (left) {
      series.push({label: left.label, stroke: '#1f3a93', width: 1.2, scale: 'y', value: value, spanGaps: false, points: {show: false}});
      axes.push({scale: 'y', stroke: '#1f3a93', size: 46});
    }
    if (left && right) {
      series.push({label: right.label, stroke: '#c0392b', width: 1.2, scale: 'y2', value: value, spanGaps: false, points: {show: false}});
      axes.push({scale: 'y2', side: 1, stroke: '#c0392b', grid: {show: false}, size: 46});
    }
    var size = chartSize();
    var opts = {
      width: size.width, height: size.height,
      tzDate: function (ts) { var d = new Date(ts * 1000); return new Date(d.getTime() + d.getTimezoneOffset() * 60000); },
      scales: {x: {time: true}},
      series: series, axes: axes,
      cursor: {drag: {x: true, y: false, setScale: true}, bind: {dblclick: function () { return function () { return null; }; }}},
      legend: {live: true},
      hooks: {draw: [drawTicks], setScale: [function (u, key) { if (key === 'x' && !settingScale) scaleChanged(u); }]}
    };
    chart = new uPlot(opts, chartData(left, right), chartEl);
    setRange(keep || (win ? [x0 + win[0], x0 + win[1]] : [x0, x0 + span]));
    var down = null;
    chart.over.addEventListener('mousedown', function (ev) { down = [ev.clientX, ev.clientY]; });
    chart.over.addEventListener('click', function (ev) {
      if (!down || Math.abs(ev.clientX - down[0]) > 3) return;
      var x = ev.clientX - chart.over.getBoundingClientRect().left, best = -1, bestD = 7;
      for (var k = 0; k < ticks.length; ++k) {
        var d = Math.abs(ticks[k][0] - x);
        if (d < bestD) { bestD = d; best = ticks[k][1]; }
      }
      if (best >= 0) select(best, 'chart');
    });
    chart.over.addEventListener('dblclick', function () { setWindow(null); });
    chart.over.addEventListener('wheel', function (ev) {
      ev.preventDefault();
      var x = ev.clientX - chart.over.getBoundingClientRect().left;
      var at = chart.posToVal(x, 'x'), f = ev.deltaY < 0 ? 0.75 : 1 / 0.75;
      var lo = at - (at - chart.scales.x.min) * f, hi = at + (chart.scales.x.max - at) * f;
      setRange([Math.max(x0, lo), Math.min(x0 + span, hi)]);
      scaleChanged(chart);
    }, {passive: false});
    chart.root.setAttribute('data-field', left ? left.name : '');
  }
  function setRange(r) {
    settingScale = true;
    chart.setScale('x', {min: r[0], max: r[1]});
    settingScale = false;
  }
  // The chart's range chosen by a person is the window; all of the log is none.
  function scaleChanged(u) {
    var a = Math.round((u.scales.x.min - x0) * 1000) / 1000, b = Math.round((u.scales.x.max - x0) * 1000) / 1000;
    var whole = a <= 0.001 && b >= span - 0.001;
    applyWindow(whole ? null : [Math.max(0, a), Math.min(span, b)]);
  }

  // ---- the window, the legend, the selection ------------------------------
  var windowText = document.getElementById('window-text');
  var pendingWindow = null, windowQueued = false;
  // The chart answers at once; the map, the table and the KPIs follow in the next frame.
  function applyWindow(w) {
    pendingWindow = {w: w};
    if (windowQueued) return;
    windowQueued = true;
    requestAnimationFrame(function () {
      windowQueued = false;
      var next = pendingWindow.w;
      if (JSON.stringify(next) === JSON.stringify(win)) return;
      win = next;
      windowText.textContent = win ? 'time window ' + timeText(win[0]) + ' to ' + timeText(win[1]) : 'whole log';
      filterRows();
      drawMarkers();
      drawRoute();
      fitMap();
      // The KPIs in a task of their own: the map and the table are painted first.
      setTimeout(function () {
        showKpis();
        document.body.setAttribute('data-window', win ? win.join(',') : '');
      }, 0);
    });
  }
  function setWindow(w) {
    if (chart) setRange(w ? [x0 + w[0], x0 + w[1]] : [x0, x0 + span]);
    applyWindow(w);
  }
  function setOff(i, value) {
    if (off[i] === value) return;
    off[i] = value;
    var box = legend.querySelector('input[data-style="' + i + '"]');
    if (box) box.checked = !value;
    if (map && proxies[i]) {
      if (value && map.hasLayer(proxies[i])) map.removeLayer(proxies[i]);
      if (!value && !map.hasLayer(proxies[i])) map.addLayer(proxies[i]);
    }
    legendChanged();
  }
  var legendQueued = false;
  function legendChanged() {
    if (legendQueued) return;
    legendQueued = true;
    Promise.resolve().then(function () {
      legendQueued = false;
      filterRows();
      drawMarkers();
      if (chart) chart.redraw(false, false);
    });
  }
  var legend = document.getElementById('legend');
  styles.forEach(function (s, i) {
    var label = document.createElement('label');
    var box = document.createElement('input');
    box.type = 'checkbox'; box.checked = true;
    box.setAttribute('data-event', s[0]); box.setAttribute('data-style', String(i));
    box.addEventListener('change', function () { setOff(i, !box.checked); });
    var sw = document.createElement('span');
    if (s[4] >= 0) sw.className = 'icon ic' + s[4];
    else { sw.className = 'swatch'; sw.style.background = s[2]; sw.style.borderColor = s[3]; }
    label.appendChild(box); label.appendChild(sw); label.appendChild(document.createTextNode(s[0]));
    legend.appendChild(label);
  });
  document.getElementById('legend-all').addEventListener('click', function () { styles.forEach(function (s, i) { setOff(i, false); }); });
  document.getElementById('legend-none').addEventListener('click', function () { styles.forEach(function (s, i) { setOff(i, true); }); });
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

  // An event chosen in one place is shown in the others: its row, its marker, its time.
  function select(i, from) {
    sel = i;
    if (i >= 0 && !inWindow(evt.t[i])) setWindow(null);
    if (i >= 0 && off[events[i][2]]) setOff(events[i][2], false);
    if (from !== 'table') scrollToRow(i); else drawRows();
    showRing();
    if (chart) chart.redraw(false, false);
    document.body.setAttribute('data-selected', String(i));
  }

  // ---- tooltips -----------------------------------------------------------
  function showTip(text, ev) {
    tip.textContent = text;
    tip.style.left = (ev.clientX + 12) + 'px';
    tip.style.top = (ev.clientY + 12) + 'px';
    tip.style.display = 'block';
  }
  function hideTip() { tip.style.display = 'none'; }
  window.addEventListener('scroll', hideTip, true);

  fieldLeft.addEventListener('change', buildChart);
  fieldRight.addEventListener('change', buildChart);
  document.getElementById('reset').addEventListener('click', function () { setWindow(null); });
  document.querySelectorAll('details.failure').forEach(function (d) {
    d.querySelector('summary').addEventListener('dblclick', function () {
      select(Number(d.getAttribute('data-row')), 'failure');
      explore.scrollIntoView({block: 'start'});
    });
  });
  if (view.frames) document.querySelector('.table-head span').textContent = 'frame';

  // With the script the live map and chart stand in for the drawings in the file.
  explore.hidden = false;
  document.getElementById('route').hidden = true;
  document.getElementById('signal').hidden = true;
  buildMap();
  buildChart();
  if (missing.length) {
    var note = document.getElementById('missing');
    note.hidden = false;
    note.textContent = 'This page lacks ' + missing.join('; and ') + '.';
  }
  filterRows();
  drawMarkers();
  window.addEventListener('resize', function () {
    if (chart) { var s = chartSize(); chart.setSize(s); }
    if (map) map.invalidateSize();
  });

  // What a test or a person at the console can ask the page.
  window.eventscanReport = {
    state: function () {
      var h = null;
      if (map && sel >= 0 && evt.lat[sel] !== null) {
        var p = map.latLngToContainerPoint([evt.lat[sel], evt.lon[sel]]);
        h = {x: p.x, y: p.y, index: sel};
      }
      return {rows: visible.length, markers: state.markers, nowhere: state.nowhere, graphMarkers: state.graphMarkers,
              window: win, selected: sel, highlighted: h, start: view.start, span: span,
              left: fields[Number(fieldLeft.value)] ? fields[Number(fieldLeft.value)].name : null,
              right: fields[Number(fieldRight.value)] ? fields[Number(fieldRight.value)].name : null,
              fields: fields.map(function (f) { return f.name; }), hasMap: !!map, hasChart: !!chart,
              mapZoom: map ? map.getZoom() : null,
              mapBounds: map ? [[map.getBounds().getSouth(), map.getBounds().getWest()], [map.getBounds().getNorth(), map.getBounds().getEast()]] : null,
              tiles: document.querySelectorAll('.leaflet-tile-loaded').length, chartRange: chart ? [chart.scales.x.min - x0, chart.scales.x.max - x0] : null,
              off: off.slice(), missing: missing.slice(), routeColours: state.routeColours || 0};
    },
    // Where event i's tick is drawn on the chart, in page pixels (null where it is not drawn).
    tickOf: function (i) {
      for (var k = 0; k < ticks.length; ++k) if (ticks[k][1] === i) {
        var r = chart.over.getBoundingClientRect();
        return {x: r.left + ticks[k][0], y: r.top + 4};
      }
      return null;
    },
    chartPlot: function () {
      if (!chart) return null;
      var r = chart.over.getBoundingClientRect();
      return {x: r.left, y: r.top, width: r.width, height: r.height};
    },
    visibleRows: function () { return visible.slice(); },
    // What the map's event layer draws now, in page pixels: lone events and crowds.
    mapMarkers: function () {
      var r = map ? map.getContainer().getBoundingClientRect() : {left: 0, top: 0};
      return hits.map(function (h) { return {x: r.left + h.x, y: r.top + h.y, events: h.list.slice()}; });
    },
    // Where event i is, when it has a position.
    positionOf: function (i) { return evt.lat[i] === null ? null : [evt.lat[i], evt.lon[i]]; },
    csv: csv
  };
  document.body.setAttribute('data-ready', 'true');
  // What the KPI table of a window is computed from is read once the page is
  // shown, so the first window chosen does not wait for it.
  setTimeout(function () { if (kpiWindow === undefined) kpiWindow = KpiWindow(data.kpiWindow); }, 0);

  // ---- the KPI table recomputed for a window ------------------------------
  // The same counting as the KPI table of `eventscan kpi`: occurrences (the
  // results of one record, and of other names within the merge time, are one),
  // failures on a success's record left out, attempts followed one by one
  // where the KPI has an answer time, statistics by the nearest rank.
  function KpiWindow(input) {
    if (!input) return null;
    // "151,1000*200,-3": the steps from one record time to the next.
    function unpack(text, unit) {
      var out = [], at = 0;
      if (!text) return out;
      text.split(',').forEach(function (token) {
        var star = token.indexOf('*'), step = Number(star < 0 ? token : token.slice(0, star)) * unit;
        for (var n = star < 0 ? 1 : Number(token.slice(star + 1)); n > 0; --n) { at += step; out.push(at); }
      });
      return out;
    }
    var records = unpack(input.records, input.unit || 1);
    var res = input.results, count = res.t.length;
    var byName = {};
    for (var i = 0; i < count; ++i) (byName[res.name[i]] = byName[res.name[i]] || []).push(i);
    function occurrences(names, merge, keep) {
      var hits = [], seen = {};
      names.forEach(function (n) {
        if (seen[n]) return;
        seen[n] = true;
        (byName[n] || []).forEach(function (i) { if (keep(res.t[i])) hits.push(i); });
      });
      // Time order, then record; results of one time and record in the order recorded.
      hits.sort(function (a, b) { return res.t[a] !== res.t[b] ? res.t[a] - res.t[b] : res.record[a] !== res.record[b] ? res.record[a] - res.record[b] : a - b; });
      var out = [];
      hits.forEach(function (r) {
        var last = out[out.length - 1];
        if (last) {
          var sameRecord = last.results.some(function (x) { return res.record[x] === res.record[r]; });
          var nameSeen = last.results.some(function (x) { return res.name[x] === res.name[r]; });
          var close = merge > 0 && (res.t[r] - last.t) / 1e6 <= merge + 1e-9;
          if (sameRecord || (close && !nameSeen)) { last.results.push(r); return; }
        }
        out.push({record: res.record[r], t: res.t[r], results: [r]});
      });
      return out;
    }
    function apart(successes, failures) {
      var records = {};
      successes.forEach(function (o) { o.results.forEach(function (r) { records[res.record[r]] = true; }); });
      return failures.filter(function (f) { return !f.results.some(function (r) { return records[res.record[r]]; }); });
    }
    // As FollowAttempts: marks are [time µs, record, kind 0 attempt / 1 success / 2 failure].
    function follow(marks, answerWithin, end) {
      marks.sort(function (a, b) { return a[0] !== b[0] ? a[0] - b[0] : a[1] !== b[1] ? a[1] - b[1] : a[2] - b[2]; });
      var out = [], waiting = false, deadline = 0, requested = false, successRecord = null, slack = 1;
      marks.forEach(function (m) {
        if (m[2] === 2 && successRecord === m[1]) return;
        if (m[2] === 1) successRecord = m[1];
        if (waiting && m[0] > deadline + slack) { out[out.length - 1].how = 'unanswered'; out[out.length - 1].answered = deadline; waiting = false; }
        if (m[2] === 0) {
          if (!waiting) { out.push({start: m[0], answered: 0, how: 'waiting', requested: true}); waiting = true; }
          deadline = m[0] + answerWithin * 1e6;
          requested = true;
          return;
        }
        var how = m[2] === 1 ? 'success' : 'failure';
        if (waiting) { out[out.length - 1].how = how; out[out.length - 1].answered = m[0]; waiting = false; }
        else if (!requested) out.push({start: m[0], answered: m[0], how: how, requested: false});
      });
      if (waiting && (end === null || end > deadline + slack)) { out[out.length - 1].how = 'unanswered'; out[out.length - 1].answered = deadline; }
      return out;
    }
    // The notes of followed attempts as the KPI table writes them.
    function attemptNotes(list, k) {
      var unanswered = 0, waiting = 0, notes = [];
      list.forEach(function (a) { unanswered += a.how === 'unanswered'; waiting += a.how === 'waiting'; });
      var n = function (x) { return x === 1 ? '1 attempt' : x + ' attempts'; };
      if (unanswered) notes.push(n(unanswered) + ' not answered within ' + k.answer + ' s');
      if (waiting) notes.push(n(waiting) + ' at the end of the log, before ' + k.answer + ' s had passed, not counted');
      return notes;
    }
    function attempts(k, keep, end) {
      var marks = [];
      var successes = occurrences(k.success, k.merge, keep);
      occurrences(k.attempt, k.merge, keep).forEach(function (o) { marks.push([o.t, o.record, 0]); });
      apart(successes, occurrences(k.failure, k.merge, keep)).forEach(function (o) { marks.push([o.t, o.record, 2]); });
      successes.forEach(function (o) { marks.push([o.t, o.record, 1]); });
      return follow(marks, k.answer, end);
    }
    function nearestRank(sorted, p) {
      var rank = Math.ceil(p / 100 * sorted.length);
      return sorted[Math.min(Math.max(rank, 1), sorted.length) - 1];
    }
    function compute(from, to) {
      // Times are microseconds from the page's start; the window is in milliseconds.
      var keep = function (t) { var m = Math.round(t / 1000); return (from === null || m >= from) && (to === null || m <= to); };
      var end = null;
      for (var r = 0; r < records.length; ++r) if (keep(records[r]) && (end === null || records[r] > end)) end = records[r];
      return input.kpis.map(function (k) {
        var v = {kind: k.kind, unit: k.unit};
        if (k.kind === 'ratio') {
          if (k.answer > 0) {
            v.numerator = 0; v.denominator = 0;
            var followed = attempts(k, keep, end);
            v.notes = attemptNotes(followed, k);
            followed.forEach(function (a) {
              if (a.how === 'waiting') return;
              ++v.denominator;
              if (a.how === 'success') ++v.numerator;
            });
          } else if (k.attempt.length) {
            v.numerator = occurrences(k.success, k.merge, keep).length;
            v.denominator = occurrences(k.attempt, k.merge, keep).length;
          } else {
            var s = occurrences(k.success, k.merge, keep);
            v.numerator = s.length;
            v.denominator = s.length + apart(s, occurrences(k.failure, k.merge, keep)).length;
          }
          v.value = v.denominator ? 100 * v.numerator / v.denominator : null;
        } else if (k.kind === 'statistics') {
          var values = [];
          if (k.answer > 0) {
            var tried = attempts(k, keep, end);
            v.notes = attemptNotes(tried, k);
            tried.forEach(function (a) {
              if (a.how === 'success' && a.requested) values.push((a.answered - a.start) / 1e6 * k.scale);
            });
          } else {
            var given = {};
            for (var j = 0; j < k.values.length; j += 2) given[k.values[j]] = k.values[j + 1];
            occurrences(k.events, k.merge, keep).forEach(function (o) {
              for (var q = 0; q < o.results.length; ++q) if (given[o.results[q]] !== undefined) { values.push(given[o.results[q]]); break; }
            });
          }
          values.sort(function (a, b) { return a - b; });
          v.count = values.length;
          if (values.length) {
            var sum = 0;
            values.forEach(function (x) { sum += x; });
            var m = values.length;
            v.mean = sum / m;
            v.median = m % 2 ? values[(m - 1) / 2] : (values[m / 2 - 1] + values[m / 2]) / 2;
            v.p90 = nearestRank(values, 90);
            v.max = values[m - 1];
          }
        } else if (k.kind === 'count') {
          v.count = occurrences(k.events, k.merge, keep).length;
        } else {
          v.bins = k.edges.map(function () { return 0; }).concat([0]);
          v.count = 0;
          if (k.bins) for (var i = 0; i < records.length; ++i) {
            var b = k.bins.charCodeAt(i) - 48;
            if (b >= 0 && keep(records[i])) { ++v.bins[b]; ++v.count; }
          }
          v.labels = v.bins.map(function (x, b) {
            if (b === 0) return '< ' + k.edges[0];
            if (b === k.edges.length) return '>= ' + k.edges[k.edges.length - 1];
            return k.edges[b - 1] + ' to ' + k.edges[b];
          });
        }
        return v;
      });
    }
    function two(x) { return x.toFixed(2); }
    // The value cell as the page's KPI table writes it.
    function show(tr, v) {
      var cellOf = tr.querySelector('td.value'), unit = v.unit ? ' ' + v.unit : '';
      if (v.notes) {
        // The attempts' notes are the window's; the others (hidden events) stay.
        var def = tr.querySelector('td.def');
        def.querySelectorAll('small.note').forEach(function (note) {
          if (!/ not answered within | at the end of the log, before /.test(note.textContent)) return;
          if (note.previousSibling && note.previousSibling.nodeName === 'BR') note.previousSibling.remove();
          note.remove();
        });
        var reference = def.querySelector('small:not(.note)');
        var before = reference && reference.previousSibling && reference.previousSibling.nodeName === 'BR' ? reference.previousSibling : reference;
        v.notes.forEach(function (text) {
          var small = document.createElement('small');
          small.className = 'note'; small.textContent = text;
          def.insertBefore(document.createElement('br'), before);
          def.insertBefore(small, before);
        });
      }
      var text;
      if (v.kind === 'ratio') {
        text = v.value === null ? '- (0/0)' : v.value.toFixed(1) + ' % (' + v.numerator + '/' + v.denominator + ')';
        tr.setAttribute('data-numerator', v.numerator); tr.setAttribute('data-denominator', v.denominator);
        tr.setAttribute('data-value', v.value === null ? '' : String(v.value));
      } else if (v.kind === 'statistics') {
        text = v.count ? 'n ' + v.count + ', mean ' + two(v.mean) + unit + ', median ' + two(v.median) + ', p90 ' + two(v.p90) +
                         ', max ' + two(v.max) : '- (0 values)';
        tr.setAttribute('data-count', v.count);
        ['mean', 'median', 'p90', 'max'].forEach(function (a) { tr.setAttribute('data-' + a, v.count ? String(v[a]) : ''); });
      } else if (v.kind === 'count') {
        text = String(v.count);
        tr.setAttribute('data-count', v.count);
      } else {
        tr.setAttribute('data-count', v.count);
        cellOf.textContent = v.count + ' samples';
        v.bins.forEach(function (b, i) {
          cellOf.appendChild(document.createElement('br'));
          var small = document.createElement('small');
          small.textContent = v.count ? v.labels[i] + ': ' + (100 * b / v.count).toFixed(1) + ' % (' + b + ')' : v.labels[i] + ': -';
          cellOf.appendChild(small);
        });
        tr.setAttribute('data-bins', v.bins.join(','));
        return;
      }
      cellOf.textContent = text;
    }
    return {compute: compute, show: show, count: input.kpis.length};
  }
})();
