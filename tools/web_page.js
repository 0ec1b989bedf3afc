// web_page.js -- what the page's test and its benchmark share: a local server for the page's folder,
// and Debian's chromium as they drive it (puppeteer-core on NODE_PATH)
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const puppeteer = require('puppeteer-core');

const kTypes = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};

// Serves dir on a free port of 127.0.0.1, and the folders of `more` under their prefixes
// ({'/scratch/': '/tmp/x'}); resolves to the server.
function serve(dir, more = {}) {
  const server = http.createServer((request, response) => {
    const url = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const prefix = Object.keys(more).find(p => url.startsWith(p));
    const file = prefix ? path.join(more[prefix], url.slice(prefix.length)) : path.join(dir, url);
    fs.readFile(file, (error, bytes) => {
      if (error) {
        response.writeHead(404);
        response.end();
        return;
      }
      response.writeHead(200, {'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream'});
      response.end(bytes);
    });
  });
  return new Promise(resolve => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Headless chromium on SwiftShader, sound allowed without a gesture; a fresh profile each launch.
function launch() {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--autoplay-policy=no-user-gesture-required'],
  });
}

module.exports = {serve, launch};
