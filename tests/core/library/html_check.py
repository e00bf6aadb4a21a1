"""Checks an HTML export folder: no script element, every link relative and
resolving to an existing file and anchor; prints what is wrong."""
import html.parser
import os
import sys
import urllib.parse


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.ids, self.links, self.tags, self.text = set(), [], [], []

    def handle_starttag(self, tag, attrs):
        self.tags.append(tag)
        for name, value in attrs:
            if name == "id":
                self.ids.add(value)
            if name in ("href", "src"):
                self.links.append(value)
            if name.startswith("on"):
                self.tags.append("handler:" + name)

    def handle_data(self, data):
        self.text.append(data)


def main(folder):
    pages = {}
    for name in sorted(os.listdir(folder)):
        if name.endswith(".html"):
            page = Page()
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                page.feed(f.read())
            pages[name] = page
    faults = []
    if "index.html" not in pages:
        faults.append("no index.html")
    for name, page in pages.items():
        for tag in page.tags:
            if tag == "script" or tag.startswith("handler:"):
                faults.append(f"{name}: {tag}")
        for link in page.links:
            url = urllib.parse.urlsplit(link)
            if url.scheme or url.netloc or url.path.startswith("/") or ".." in url.path.split("/"):
                faults.append(f"{name}: link {link!r} is not relative")
                continue
            target = url.path or name
            if target not in pages:
                faults.append(f"{name}: link {link!r} to a missing file")
            elif url.fragment and url.fragment not in pages[target].ids:
                faults.append(f"{name}: link {link!r} to a missing anchor")
    # What a reader sees as text, for the caller to look for.
    for name, page in pages.items():
        print("TEXT " + name + " " + "".join(page.text).replace("\n", " "))
    print("\n".join(faults) if faults else "ok")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
