#!/usr/bin/python3
"""Inputs of bench/publish/run, all made from one description of each story.

  setup WORK ASSETS MASTER [--front]
      a working folder for the service: settings, folder aliases, templates,
      the master database; with --front also the front page and the alias
      "Front" that keeps its list of the latest stories
  stories FOLDER ASSETS FIRST COUNT
      submissions FIRST .. FIRST+COUNT-1 (story text + descriptor, a minute
      old) in FOLDER; the cut and the picture each story names in ASSETS
  markdown SITE FIRST COUNT
      the same stories as a hugo site (configuration, layouts, content)
  archive WORK COUNT PER_DAY [--front]
      an archive of COUNT stories in WORK, as the service leaves it after
      publishing them PER_DAY a day up to today: the database rows, the
      year/month/day folders with the pages (a past day's pages as names of
      one file) and ID.dat, every index page (made from the working folder's
      own templates) and, with --front, the front page holding the latest
      FRONT_LIMIT of them

Text files are Windows-1252 with CR LF line ends, as the newsroom system
writes them.  Everything is deterministic: story n is the same in every run
and in both forms (ours and hugo's).
"""
import datetime
import os
import re
import sqlite3
import struct
import sys
import time
import wave

FRONT_LIMIT = 50

# --- the stories -------------------------------------------------------------

PLACES = ["Riverside", "Northgate", "Old Town", "Harbour", "Millbrook", "Eastfield", "Kingsway", "Hillcrest"]
SUBJECTS = ["council", "school board", "hospital trust", "bus company", "water authority", "police",
            "fire service", "chamber of commerce", "library", "football club"]
VERBS = ["approved", "postponed", "rejected", "announced", "questioned", "welcomed", "criticised", "funded"]
OBJECTS = ["the new bridge", "a budget for next year", "plans for the market square", "longer opening hours",
           "a review of parking charges", "the sale of the old depot", "a study of flood defences",
           "a pay offer for staff", "repairs to the ring road", "a festival in the park"]
CATEGORIES = ["Local,Politics", "Local,Business", "Local,Health", "Local,Education", "Local,Transport",
              "Local,Sport"]
WRITERS = ["Ann Reporter", "Bob Stringer", "Cleo Desk", "Dev Anchor", "Eva Field", "Finn Wire"]
SHOWS = ["Morning News", "Midday Bulletin", "Drive Time", "Evening Report"]


def pick(items, n, salt):
    return items[(n * 7919 + salt * 104729) % len(items)]


def sentence(n, k):
    return "%s: the %s %s %s on %s, and said more would follow before the end of the month." % (
        pick(PLACES, n, k), pick(SUBJECTS, n, k + 1), pick(VERBS, n, k + 2), pick(OBJECTS, n, k + 3),
        ["Monday", "Tuesday", "Wednesday", "Thursday", "Friday"][(n + k) % 5])


class Story:
    """Story n: header fields, keywords and about 3 KiB of body in paragraphs,
    naming two files: its audio cut and its picture."""

    def __init__(self, n, when):
        self.n = n
        self.title = "s%06d" % n  # the submission's file names
        self.slug = "%s %s %s %s" % (pick(PLACES, n, 0), pick(SUBJECTS, n, 1), pick(VERBS, n, 2), n)
        self.category = pick(CATEGORIES, n, 3)
        self.writer = pick(WRITERS, n, 4)
        self.show = pick(SHOWS, n, 5)
        self.keywords = "%s, %s, news" % (pick(PLACES, n, 0).lower(), pick(SUBJECTS, n, 1))
        self.when = when
        self.cut = "cut%06d.wav" % n
        self.picture = "photo%06d.jpg" % n
        self.paragraphs = []
        k = 0
        size = 0
        while size < 2900:
            paragraph = " ".join(sentence(n, k + i) for i in range(3))
            k += 3
            self.paragraphs.append(paragraph)
            size += len(paragraph) + 2

    # The references, as the newsroom system writes them: the shared audio
    # and picture stores are drive W: on the newsroom's machines.
    def cut_reference(self):
        return "W:\\Audio\\" + self.cut

    def picture_reference(self):
        return "W:\\Pictures\\" + self.picture

    def story_text(self):
        lines = ["TQ32_SCRIPT1", "FILESLUG:" + self.slug, "FILECATG:" + self.category, "FILEWHOM:desk",
                 "FILEWRIT:" + self.writer, "FILEDATE:" + self.when.strftime("%m/%d/%Y"), "FILESHOW:" + self.show,
                 "FILETIME:" + self.when.strftime("%a%H:%M:%S"), "FILECMD1:Add"]
        body = list(self.paragraphs)
        body[0] += " Listen [%s] for the full report." % self.cut_reference()
        body[1] += " Picture: [%s]" % self.picture_reference()
        for paragraph in body:
            lines += [paragraph, ""]
        return "\r\n".join(lines) + "\r\n"

    def descriptor(self, alias="News"):
        lines = ["Quillmark", "newsdesk", self.slug, "", "", alias, "", "0", "0", str(int(self.when.timestamp())),
                 "0", "0", self.keywords, "Add"] + ["" for _ in range(9)]
        return "\r\n".join(lines) + "\r\n"

    def markdown(self):
        front = ['+++', 'title = "%s"' % self.slug, 'date = %s' % self.when.astimezone().isoformat(timespec="seconds"),
                 'writer = "%s"' % self.writer, 'show = "%s"' % self.show, 'category = "%s"' % self.category,
                 'keywords = "%s"' % self.keywords, '+++', '']
        body = list(self.paragraphs)
        body[0] += " Listen [%s](/audio/%s) for the full report." % (self.cut, self.cut)
        body[1] += " Picture: ![%s](/pictures/%s)" % (self.picture, self.picture)
        return "\n".join(front) + "\n\n".join(body) + "\n"


def write_bytes(path, data):
    with open(path, "wb") as f:
        f.write(data)


def write_text(path, text):
    write_bytes(path, text.encode("cp1252"))


def tiny_wav(path, n):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(8000)
        w.writeframes(struct.pack("<h", n % 1000) * 4000)  # half a second


def tiny_jpeg(path):
    write_bytes(path, b"\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00" + b"\x00" * 600 + b"\xff\xd9")


def stories(folder, assets, first, count):
    os.makedirs(folder, exist_ok=True)
    for sub in ("Audio", "Pictures"):
        os.makedirs(os.path.join(assets, sub), exist_ok=True)
    now = datetime.datetime.now().replace(microsecond=0)
    minute_ago = time.time() - 60
    for n in range(first, first + count):
        story = Story(n, now)
        for name, data in ((story.title + ".txt", story.story_text()), (story.title + ".dat", story.descriptor())):
            path = os.path.join(folder, name)
            write_text(path, data)
            os.utime(path, (minute_ago, minute_ago))
        cut = os.path.join(assets, "Audio", story.cut)
        if not os.path.exists(cut):
            tiny_wav(cut, n)
        picture = os.path.join(assets, "Pictures", story.picture)
        if not os.path.exists(picture):
            tiny_jpeg(picture)


# --- the working folder --------------------------------------------------------

PAGE_TEMPLATE = """<!DOCTYPE html>
<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=windows-1252">
<title><!--Quillmark Slug --> - Newsroom</title>
<link rel="stylesheet" href="../../../../site.css">
</head>
<body>
<header><a href="../../../../../Site/index.htm">Newsroom</a> &gt; <a href="Index.htm">Stories of the day</a></header>
<h1><!--Quillmark Slug --></h1>
<p class="byline">By <!--Quillmark Writer --><!--Quillmark If Show -->, <!--Quillmark Show --><!--Quillmark EndIf --></p>
<p class="filed">Filed <!--Quillmark CreationDate --> <!--Quillmark CreationTime --> in <!--Quillmark Category --></p>
<div class="story">
<!--Quillmark Story -->
</div>
<p class="keywords">Keywords: <!--Quillmark Keywords --></p>
</body>
</html>
"""

INDEX_PAGE = """<html><head><meta charset="windows-1252"><title>%s</title></head>
<body><h1>%s</h1>
<ul>
<!--Quillmark Add new links before this line -->
</ul>
</body></html>
"""

# The index pages of the archive: page template title, and the link line
# template.  Names as the service looks them up in the template folder.
INDEXES = {
    "DBYearIndex": ("News archive", '<li><a href="<!--Quillmark YearArchived -->/Index.htm"><!--Quillmark YearArchived --></a></li>'),
    "DBMonthIndex": ("News archive: months", '<li><a href="../Files/<!--Quillmark YearArchived -->/<!--Quillmark MonthArchived -->/Index.htm"><!--Quillmark YearArchived -->-<!--Quillmark MonthArchived --></a></li>'),
    "StorageYearIndex": ("Stories by year", '<li><a href="<!--Quillmark YearArchived -->/Index.htm"><!--Quillmark YearArchived --></a></li>'),
    "StorageMonthIndex": ("Stories by month", '<li><a href="<!--Quillmark MonthArchived -->/Index.htm"><!--Quillmark YearArchived -->-<!--Quillmark MonthArchived --></a></li>'),
    "StorageDayIndex": ("Stories by day", '<li><a href="<!--Quillmark DayArchived -->/Index.htm"><!--Quillmark YearArchived -->-<!--Quillmark MonthArchived -->-<!--Quillmark DayArchived --></a></li>'),
    "StoryIndex": ("Stories of the day", '<li><a href="<!--Quillmark TextFilename -->"><!--Quillmark Slug --></a></li>'),
}

# The links a story's references become: the cut as a player link, the
# picture as an image.  Neither file is copied (they stay in the stores on
# W:), so the ".ALT" templates serve; the ".htm" ones are there for a route
# that copies them.
CUT_LINK = '<a class="cut" href="<!--Quillmark LinkedFilename -->">Listen</a>'
PICTURE_LINK = '<img class="picture" src="<!--Quillmark LinkedFilename -->" alt="">'
OTHER_LINK = '<a href="<!--Quillmark LinkedFilename -->"><!--Quillmark LinkedFilenameNoPath --></a>'

FRONT_ENTRY = ('<li><a href="../NewsArchive/Files/<!--Quillmark YearArchived -->/<!--Quillmark MonthArchived -->/'
               '<!--Quillmark DayArchived -->/Index.htm"><!--Quillmark Slug --></a> '
               '<span class="when"><!--Quillmark CreationDate --> <!--Quillmark CreationTime --></span></li>')
FRONT_TOP = """<!DOCTYPE html>
<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=windows-1252">
<title>Newsroom</title>
</head>
<body>
<h1>Newsroom</h1>
<p><a href="../NewsArchive/Index.htm">The archive</a></p>
<h2>Latest stories</h2>
<ul>
<!--Quillmark Begin Ordered List %d FrontEntry.htm FrontEntryLink.htm -->
""" % FRONT_LIMIT
FRONT_BOTTOM = """<!--Quillmark End Ordered List -->
</ul>
</body>
</html>
"""


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def setup(work, assets, master, front):
    for sub in ("Pressvane/Templates/News", "Pressvane/Templates/Front", "system", "Stories", "NewsArchive", "Site"):
        os.makedirs(os.path.join(work, sub), exist_ok=True)
    write_text(os.path.join(work, "system/CusDir32.dat"), "")
    with open(master, "rb") as f:
        write_bytes(os.path.join(work, "Pressvane/Templates/Master.mdb"), f.read())
    news = os.path.join(work, "Pressvane/Templates/News")
    write_text(os.path.join(news, "TextTemplate.htm"), crlf(PAGE_TEMPLATE))
    for kind, (title, link) in INDEXES.items():
        write_text(os.path.join(news, kind + "Template.htm"), crlf(INDEX_PAGE % (title, title)))
        write_text(os.path.join(news, kind + "LinkTemplate.htm"), link + "\r\n")
    for name, text in (("TextLinkTemplate.htm", OTHER_LINK), ("TextLinkTemplatewav.htm", CUT_LINK),
                       ("TextLinkTemplatewav.ALT", CUT_LINK), ("TextLinkTemplatejpg.htm", PICTURE_LINK),
                       ("TextLinkTemplatejpg.ALT", PICTURE_LINK)):
        write_text(os.path.join(news, name), text + "\r\n")
    aliases = [
        "; News: every story is filed in the archive database NewsArchive\\News.mdb, its page",
        "; in the day's folder under NewsArchive\\Files\\, listed by the archive's index pages.",
        "News;database=NewsArchive\\News.mdb;output_file_extension=.htm;template_directory=Pressvane/Templates/News/",
    ]
    route_aliases = "QMUseDBFolderAlias"
    if front:
        frontdir = os.path.join(work, "Pressvane/Templates/Front")
        write_text(os.path.join(frontdir, "FrontEntry.htm"), FRONT_ENTRY + "\r\n")
        write_text(os.path.join(frontdir, "FrontEntryLink.htm"), OTHER_LINK + "\r\n")
        write_text(os.path.join(work, "Site/index.htm"), crlf(FRONT_TOP + FRONT_BOTTOM))
        aliases += [
            "; Front: the front page, Site\\index.htm, keeps the latest %d stories in its list." % FRONT_LIMIT,
            "Front;output_filename=Site/index.htm;modify_file;template_directory=Pressvane/Templates/Front/",
        ]
        route_aliases += ",Front"
    write_text(os.path.join(work, "Pressvane/DBFolder.dat"), "\r\n".join(aliases) + "\r\n")
    settings = [
        "[Host Paths]", "Drive Map=W=" + assets, "Share Root=",
        "[Pressvane]", "Log=Yes", "Delay=1",
        "[ONHOLD]", "Warn-via-PINWELL=No",
        "[MoveFiles]",
        "In0=" + os.path.join(work, "Stories") + "/", "Out0=",
        "ProcessDatFiles0=Yes", "ProcessTxtFiles0=No", "Aliases0=" + route_aliases,
        # A story is taken at the first pass that sees it.
        "ScanTwice0=No",
        "MakeSurePathsExist0=Yes", "LockOutputFolders0=Yes",
    ]
    write_text(os.path.join(work, "Pressvane/Pressvane.ini"), "\r\n".join(settings) + "\r\n")


# --- a hugo site of the same stories -------------------------------------------

HUGO_CONFIG = """baseURL = "http://newsroom.example/"
title = "Newsroom"
disableKinds = ["taxonomy", "term", "RSS", "sitemap", "robotsTXT", "404"]
"""
HUGO_SINGLE = """<!DOCTYPE html>
<html>
<head><meta charset="utf-8"><title>{{ .Title }} - Newsroom</title></head>
<body>
<header><a href="{{ .Site.Home.RelPermalink }}">Newsroom</a> &gt; <a href="{{ .Parent.RelPermalink }}">Stories</a></header>
<h1>{{ .Title }}</h1>
<p class="byline">By {{ .Params.writer }}{{ with .Params.show }}, {{ . }}{{ end }}</p>
<p class="filed">Filed {{ .Date.Format "01/02/2006 15:04:05" }} in {{ .Params.category }}</p>
<div class="story">
{{ .Content }}
</div>
<p class="keywords">Keywords: {{ .Params.keywords }}</p>
</body>
</html>
"""
HUGO_LIST = """<!DOCTYPE html>
<html>
<head><meta charset="utf-8"><title>{{ .Title }}</title></head>
<body><h1>{{ .Title }}</h1>
<ul>
{{ range .Pages.ByDate }}<li><a href="{{ .RelPermalink }}">{{ .Title }}</a></li>
{{ end }}</ul>
</body></html>
"""
HUGO_HOME = """<!DOCTYPE html>
<html>
<head><meta charset="utf-8"><title>Newsroom</title></head>
<body>
<h1>Newsroom</h1>
<h2>Latest stories</h2>
<ul>
{{ range first %d (where .Site.RegularPages "Section" "stories").ByDate.Reverse }}<li><a href="{{ .RelPermalink }}">{{ .Title }}</a> <span class="when">{{ .Date.Format "01/02/2006 15:04:05" }}</span></li>
{{ end }}</ul>
</body>
</html>
""" % FRONT_LIMIT


def markdown(site, first, count):
    for sub in ("content/stories", "layouts/_default"):
        os.makedirs(os.path.join(site, sub), exist_ok=True)
    for name, text in (("config.toml", HUGO_CONFIG), ("layouts/_default/single.html", HUGO_SINGLE),
                       ("layouts/_default/list.html", HUGO_LIST), ("layouts/index.html", HUGO_HOME),
                       ("content/stories/_index.md", '+++\ntitle = "Stories"\n+++\n')):
        with open(os.path.join(site, name), "w") as f:
            f.write(text)
    start = datetime.datetime.now().replace(microsecond=0) - datetime.timedelta(seconds=count)
    for n in range(first, first + count):
        story = Story(n, start + datetime.timedelta(seconds=n - first))
        with open(os.path.join(site, "content/stories", story.title + ".md"), "w") as f:
            f.write(story.markdown())


# --- an archive as the service leaves it ----------------------------------------

MACRO = re.compile(r"<!--Quillmark (.*?) -->")


def expand(template, values):
    return MACRO.sub(lambda m: values[m.group(1)], template)


def read_template(work, name):
    with open(os.path.join(work, "Pressvane/Templates/News", name), "rb") as f:
        return f.read().decode("cp1252")


def link_line(work, kind, values):
    return "".join(expand(line, values) for line in read_template(work, kind + "LinkTemplate.htm").split("\r\n")
                   if not line.startswith("<!-- "))


def index_page(work, kind, links):
    """An index page made from its template with the given link lines above
    its marker, as that many updates leave it."""
    marker = "<!--Quillmark Add new links before this line -->"
    lines = read_template(work, kind + "Template.htm").split("\r\n")
    if lines and lines[-1] == "":
        lines.pop()
    out = []
    for line in lines:
        if line == marker:
            out += links
        out.append(line)
    return "\r\n".join(out) + "\r\n"


def archive(work, count, per_day, front):
    """COUNT stories, PER_DAY a day, the newest day today; story n (1..COUNT)
    is filed on day (COUNT - n) // PER_DAY before today."""
    today = datetime.date.today()
    db_folder = os.path.join(work, "NewsArchive")
    files = os.path.join(db_folder, "Files")
    database = os.path.join(db_folder, "News.mdb")
    with open(os.path.join(work, "Pressvane/Templates/Master.mdb"), "rb") as f:
        write_bytes(database, f.read())
    # The storage folder as the service writes it into table "Path": the
    # database folder (anchored to the working folder) + "Files/".
    first_path = work.rstrip("/") + "/NewsArchive/Files/"
    page_template = read_template(work, "TextTemplate.htm")

    days = {}  # date -> story numbers, oldest first
    for n in range(1, count + 1):
        day = today - datetime.timedelta(days=(count - n) // per_day)
        days.setdefault(day, []).append(n)

    text_rows, audio_rows, months = [], [], []
    text_id = 0
    for day in sorted(days):
        ym = "%04d\\%02d" % (day.year, day.month)
        if not months or months[-1] != ym:
            months.append(ym)
        folder = os.path.join(files, "%04d" % day.year, "%02d" % day.month, "%02d" % day.day)
        os.makedirs(folder, exist_ok=True)
        links = []
        for number, n in enumerate(days[day]):
            when = datetime.datetime.combine(day, datetime.time(6, 0, 0)) + datetime.timedelta(seconds=37 * number)
            story = Story(n, when)
            name = "%05d_%s.htm" % (number, story.title)
            text_id += 1
            values = {"Slug": story.slug, "TextFilename": name, "Writer": story.writer, "If Show": "",
                      "Show": story.show, "EndIf": "", "CreationDate": when.strftime("%m/%d/%Y"),
                      "CreationTime": when.strftime("%H:%M:%S"), "Category": story.category,
                      "Keywords": story.keywords,
                      "Story": "<BR>\r\n".join(story.paragraphs) + "<BR>"}
            page = os.path.join(folder, name)
            if day == today or number == 0:
                write_text(page, expand(page_template, values))
                shared_page = page
            else:
                # Publishing never opens the pages of past days: a day's
                # pages are one file under all their names, which keeps
                # making and removing a large archive quick.
                os.link(shared_page, page)
            links.append(link_line(work, "StoryIndex", values))
            text_rows.append((text_id, story.slug, story.category, "desk", story.writer, day.isoformat(),
                              day.isoformat(), story.show, when.strftime("%H:%M:%S"), "", name, story.keywords, ym,
                              "%02d" % day.day))
            audio_rows.append((text_id, story.cut_reference(), "", "", "", 0, "", "", "", "", None, None, None, None,
                               "", "", "", ""))
        write_text(os.path.join(folder, "Index.htm"), index_page(work, "StoryIndex", links))
        write_bytes(os.path.join(folder, "ID.dat"), struct.pack("<I", len(days[day])))

    # The indexes above the days: each lists what it holds, oldest first.
    def archive_values(year, month="", day=""):
        return {"YearArchived": year, "MonthArchived": month, "DayArchived": day}
    years = sorted({d.year for d in days})
    db_year_links, year_links = [], []
    for year in years:
        y = "%04d" % year
        db_year_links.append(link_line(work, "DBYearIndex", archive_values(y)))
        year_links.append(link_line(work, "StorageYearIndex", archive_values(y)))
        months_of_year = sorted({d.month for d in days if d.year == year})
        db_month_links, month_links = [], []
        for month in months_of_year:
            m = "%02d" % month
            db_month_links.append(link_line(work, "DBMonthIndex", archive_values(y, m)))
            month_links.append(link_line(work, "StorageMonthIndex", archive_values(y, m)))
            day_links = [link_line(work, "StorageDayIndex", archive_values(y, m, "%02d" % d.day))
                         for d in sorted(days) if d.year == year and d.month == month]
            write_text(os.path.join(files, y, m, "Index.htm"), index_page(work, "StorageDayIndex", day_links))
        os.makedirs(os.path.join(db_folder, y), exist_ok=True)
        write_text(os.path.join(db_folder, y, "Index.htm"), index_page(work, "DBMonthIndex", db_month_links))
        write_text(os.path.join(files, y, "Index.htm"), index_page(work, "StorageMonthIndex", month_links))
    write_text(os.path.join(db_folder, "Index.htm"), index_page(work, "DBYearIndex", db_year_links))
    write_text(os.path.join(files, "Index.htm"), index_page(work, "StorageYearIndex", year_links))

    db = sqlite3.connect(database)
    with db:
        db.executemany('INSERT INTO "Path" ("YearAndMonthArchived", "Path") VALUES (?, ?)',
                       [(ym, first_path) for ym in months])
        db.executemany('INSERT INTO "Text" ("TextID", "Slug", "Category", "Whom", "Writer", "CreationDate", '
                       '"ModificationDate", "Show", "CreationTime", "NextBroadcastStory", "TextFilename", '
                       '"Keywords", "YearAndMonthArchived", "DayArchived") VALUES (%s)' % ",".join("?" * 14),
                       text_rows)
        db.executemany('INSERT INTO "Audio" ("TextID", "LinkedFilename", "Description", "OutCue", "LastPlayed", '
                       '"TimesPlayed", "SavedBy", "Category", "Status", "Artist", "StartDate", "StopDate", '
                       '"IntroTime", "OutroTime", "IntroFade", "OutroFade", "CDat", "MDat") VALUES (%s)'
                       % ",".join("?" * 18), audio_rows)
    db.close()

    if front:
        entries = []
        with open(os.path.join(work, "Pressvane/Templates/Front/FrontEntry.htm"), "rb") as f:
            entry_template = f.read().decode("cp1252").rstrip("\r\n")
        newest = []
        for day in sorted(days, reverse=True):
            for number, n in reversed(list(enumerate(days[day]))):
                newest.append((day, number, n))
        for day, number, n in newest[:FRONT_LIMIT]:
            when = datetime.datetime.combine(day, datetime.time(6, 0, 0)) + datetime.timedelta(seconds=37 * number)
            story = Story(n, when)
            values = {"YearArchived": "%04d" % day.year, "MonthArchived": "%02d" % day.month,
                      "DayArchived": "%02d" % day.day, "Slug": story.slug,
                      "CreationDate": when.strftime("%m/%d/%Y"), "CreationTime": when.strftime("%H:%M:%S")}
            entries.append("<!--Quillmark Entry Date %s -->\r\n<!--Quillmark Entry Slug %s -->\r\n%s\r\n"
                           "<!--Quillmark End Ordered Entry -->\r\n"
                           % (day.strftime("%m/%d/%Y"), story.slug, expand(entry_template, values)))
        write_text(os.path.join(work, "Site/index.htm"), crlf(FRONT_TOP) + "".join(entries) + crlf(FRONT_BOTTOM))


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    command, args = argv[1], argv[2:]
    front = "--front" in args
    args = [a for a in args if a != "--front"]
    if command == "setup":
        setup(args[0], args[1], args[2], front)
    elif command == "stories":
        stories(args[0], args[1], int(args[2]), int(args[3]))
    elif command == "markdown":
        markdown(args[0], int(args[1]), int(args[2]))
    elif command == "archive":
        archive(args[0], int(args[1]), int(args[2]), front)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
