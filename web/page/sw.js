// Keeps the page's files, so that it opens and works offline after the first visit. Every
// request is for one of them: the page asks nothing of any other place.
const kCache = 'pismovar-page-3.5.0';
const kFiles = [
  './', 'index.html', 'style.css', 'app.js', 'i18n.js', 'worker.js', 'reader.js', 'vendor/fflate.js',
  'pkg/index.js', 'pkg/names.js', 'pkg/registry.js', 'pkg/pismovar-simd.wasm', 'pkg/pismovar-scalar.wasm',
];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(kCache).then((cache) => cache.addAll(kFiles)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(
    caches.keys()
      .then((keys) => Promise.all(keys.filter((key) => key !== kCache).map((key) => caches.delete(key))))
      .then(() => self.clients.claim()),
  );
});

self.addEventListener('fetch', (event) => {
  event.respondWith(caches.match(event.request, { ignoreSearch: true }).then((hit) => hit ?? fetch(event.request)));
});
