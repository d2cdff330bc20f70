// The event table of the report: rows are drawn only where the table is
// scrolled to, so a log with hundreds of thousands of events keeps a small
// page; filtering by kind and name works on the data, not on drawn rows.
(function () {
  'use strict';
  var data = JSON.parse(document.getElementById('report-data').textContent);
  var styles = data.styles;   // [name, kind, back, font, icon]
  var events = data.events;   // [record, time, style, details, network]
  var rowHeight = 22, spare = 10;
  var table = document.getElementById('table');
  var body = document.getElementById('table-body');
  var kindBox = document.getElementById('filter-kind');
  var nameBox = document.getElementById('filter-name');
  var shown = document.getElementById('shown');
  var visible = [];

  function cell(text) {
    var span = document.createElement('span');
    span.textContent = text;
    return span;
  }

  function row(i) {
    var e = events[i], s = styles[e[2]];
    var div = document.createElement('div');
    div.className = 'row';
    div.setAttribute('data-event', s[0]);
    div.setAttribute('data-kind', s[1]);
    div.style.color = s[3];
    div.style.background = s[2];
    div.appendChild(cell(String(e[0])));
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
    for (var i = 0; i < events.length; ++i) if (wanted[events[i][2]]) visible.push(i);
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
  // Markers name their event on hover; one tooltip serves them all.
  var tip = document.createElement('div');
  tip.id = 'tip';
  document.body.appendChild(tip);
  document.addEventListener('mouseover', function (ev) {
    var m = ev.target.closest && ev.target.closest('.mm, .gm');
    if (!m) { tip.style.display = 'none'; return; }
    var n = Number(m.getAttribute('data-count'));
    tip.textContent = m.getAttribute('data-event') + (n > 1 ? ' \u00d7' + n : '');
    tip.style.left = (ev.clientX + 12) + 'px';
    tip.style.top = (ev.clientY + 12) + 'px';
    tip.style.display = 'block';
  });

  kindBox.addEventListener('change', filter);
  nameBox.addEventListener('input', filter);
  filter();
  document.body.setAttribute('data-ready', 'true');
})();
