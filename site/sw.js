// Keeps the site's files after the first visit, so that later visits work without
// network. Each build's files live in a cache named for that build, and a page is
// answered only from the cache of the worker that controls it: a new build's worker
// fills its own cache beside the old one and takes over once no page uses the old one,
// so no page ever mixes the files of two builds.
const BUILD = 'trackball-viewer-@SITE_BUILD@';
const FILES = ['./', @SITE_FILES@];

self.addEventListener('install', (event) => {
  // From the server, not from the HTTP cache, which may still hold the build before.
  event.waitUntil(caches.open(BUILD).then((cache) =>
    cache.addAll(FILES.map((file) => new Request(file, { cache: 'reload' })))));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(names
    .filter((name) => name.startsWith('trackball-viewer-') && name !== BUILD)
    .map((name) => caches.delete(name)))));
});

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.open(BUILD)
    .then((cache) => cache.match(event.request, { ignoreSearch: true }))
    .then((kept) => kept || fetch(event.request)));
});
