#!/usr/bin/env python3
"""Writes the text-reading fixtures of tests/text (run from this directory)."""
import zipfile

RU = ("Привет, мир! Это первая строка книги.\r\n"
      "Ёжик шёл по лесу. Вторая строка?\r\n"
      "Третья строка — последняя!\r\n")

KOI8 = ("Мороз и солнце; день чудесный! Ещё ты дремлешь, друг прелестный. "
        "Пора, красавица, проснись: открой сомкнуты негой взоры навстречу "
        "северной Авроры, звездою севера явись! Вечор, ты помнишь, вьюга злилась, "
        "на мутном небе мгла носилась; луна, как бледное пятно, сквозь тучи "
        "мрачные желтела, и ты печальная сидела. А нынче погляди в окно: под "
        "голубыми небесами великолепными коврами, блестя на солнце, снег лежит.\r\n")

TYPO = "“Quoted” text — with a dash… and € sign. Smile 😀 please! Zwölf Äpfel.\r\n"

WRAPPED = ("It was the best of times, it was the worst of times, it was the age\r\n"
           "of wisdom, it was the age of foolishness.\r\n"
           "\r\n"
           "  * * *\r\n"
           "There were a king with a large jaw and a queen with a plain face,\r\n"
           "on the throne of England.\r\n")


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


FB2_BODY = """<?xml version="1.0" encoding="{enc}"?>
<FictionBook xmlns="http://www.gribuser.ru/xml/fictionbook/2.0" xmlns:l="http://www.w3.org/1999/xlink">
 <description>
  <title-info>
   <genre>prose</genre>
   <author><first-name>Иван</first-name><middle-name>Петрович</middle-name><last-name>Белкин</last-name></author>
   <author><nickname>Аноним</nickname></author>
   <book-title>Повести, или рассказы / том 1</book-title>
   <annotation><p>Аннотация не входит в текст.</p></annotation>
  </title-info>
  <document-info><author><nickname>maker</nickname></author></document-info>
 </description>
 <body>
  <title><p>Повести Белкина</p></title>
  <epigraph><p>Эпиграф книги.</p><text-author>Автор эпиграфа</text-author></epigraph>
  <section>
   <title><p>Глава 1</p><p>Выстрел</p></title>
   <p>Мы стояли в местечке <emphasis>N</emphasis>. Жизнь   армейского
   офицера <strong>известна</strong>.<a l:href="#n1" type="note">[1]</a></p>
   <image l:href="#pic"/>
   <subtitle>* * *</subtitle>
   <p>Утром он уехал!</p>
   <empty-line/>
   <poem>
    <stanza><v>Буря мглою небо кроет,</v><v>Вихри снежные крутя.</v></stanza>
    <stanza><v>То, как зверь, она завоет.</v></stanza>
   </poem>
  </section>
 </body>
 <body name="notes">
  <section id="n1"><title><p>1</p></title><p>Примечание первое.</p></section>
 </body>
 <binary id="pic" content-type="image/png">iVBORw0KGgoAAAANSUhEUg==</binary>
</FictionBook>
"""

CONTAINER = """<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
 <rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>
"""


def opf(version, spine, manifest_extra=""):
    items = "".join(
        f'<item id="{i}" href="{h}" media-type="application/xhtml+xml"/>' for i, h in spine)
    refs = "".join(f'<itemref idref="{i}"/>' for i, _ in spine)
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="{version}" unique-identifier="id">
 <metadata xmlns:dc="http://purl.org/dc/elements/1.1/">
  <dc:title>Записки &amp; очерки</dc:title>
  <dc:creator>Антон Чехов</dc:creator>
  <dc:identifier id="id">urn:uuid:1</dc:identifier>
 </metadata>
 <manifest>{items}{manifest_extra}</manifest>
 <spine>{refs}</spine>
</package>
"""


def xhtml(body, doctype=True):
    head = ('<?xml version="1.0" encoding="utf-8"?>\n'
            + ('<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.1//EN" '
               '"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd">\n' if doctype else '<!DOCTYPE html>\n'))
    return (head + '<html xmlns="http://www.w3.org/1999/xhtml"><head><title>Не текст</title>'
            '<style>p { color: red; }</style></head><body>' + body + '</body></html>\n')


def epub(name, files, mimetype=True, compress_mimetype=False):
    with zipfile.ZipFile(name, "w") as z:
        if mimetype:
            z.writestr("mimetype", "application/epub+zip",
                       zipfile.ZIP_DEFLATED if compress_mimetype else zipfile.ZIP_STORED)
        for path, data in files:
            z.writestr(path, data, zipfile.ZIP_DEFLATED)


CH1 = xhtml('<h1>Глава&nbsp;первая</h1><p>Первый абзац &mdash; с тире.</p>'
            '<script>var x = "не текст";</script><p>Второй<br/>абзац.</p>')
CH2 = xhtml('<div><h2>Глава вторая</h2><ul><li>Раз.</li><li>Два!</li></ul>'
            '<p>Текст <em>с выделением</em> и <a href="ch1.xhtml">ссылкой</a>.</p></div>')
CH3 = xhtml('<p>Конец &laquo;книги&raquo;.</p><table><tr><td>A</td><td>B</td></tr></table>', False)

if __name__ == "__main__":
    write("ru_utf8.txt", RU.encode("utf-8"))
    write("ru_utf8_bom.txt", b"\xef\xbb\xbf" + RU.encode("utf-8"))
    write("ru_utf16le.txt", b"\xff\xfe" + RU.encode("utf-16-le"))
    write("ru_koi8r.txt", KOI8.encode("koi8-r"))
    write("typography_utf8.txt", TYPO.encode("utf-8"))
    write("en_wrapped.txt", WRAPPED.encode("ascii"))
    write("en_wrapped_lf.txt", WRAPPED.replace("\r\n", "\n").encode("ascii"))
    write("book_cp1251.fb2", FB2_BODY.format(enc="windows-1251").encode("cp1251"))
    write("book_utf8.fb2", FB2_BODY.format(enc="UTF-8").encode("utf-8"))
    with zipfile.ZipFile("book_utf8.fb2.zip", "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("book.fb2", FB2_BODY.format(enc="UTF-8").encode("utf-8"))
    spine = [("c1", "Text/ch1.xhtml"), ("c2", "Text/ch%202.xhtml"), ("c3", "Text/ch3.xhtml")]
    common = [("META-INF/container.xml", CONTAINER),
              ("OEBPS/Text/ch1.xhtml", CH1), ("OEBPS/Text/ch 2.xhtml", CH2),
              ("OEBPS/Text/ch3.xhtml", CH3)]
    epub("book2.epub", common + [("OEBPS/content.opf", opf("2.0", spine))])
    nav = ('<item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" '
           'properties="nav"/>')
    epub("book3.epub", common + [("OEBPS/content.opf", opf("3.0", spine, nav)),
                                 ("OEBPS/nav.xhtml", xhtml("<nav><ol><li>Оглавление</li></ol></nav>", False))])
    epub("malformed.epub", [("META-INF/container.xml", CONTAINER),
                            ("OEBPS/content.opf", "<package><metadata>")])
    epub("missing.epub", [c for c in common if not c[0].endswith("ch3.xhtml")]
         + [("OEBPS/content.opf", opf("2.0", spine))])
    epub("drm.epub", common + [("OEBPS/content.opf", opf("2.0", spine)),
                               ("META-INF/encryption.xml",
                                '<encryption xmlns="urn:oasis:names:tc:opendocument:xmlns:container" '
                                'xmlns:enc="http://www.w3.org/2001/04/xmlenc#"><enc:EncryptedData>'
                                '<enc:EncryptionMethod Algorithm="http://www.w3.org/2001/04/xmlenc#aes128-cbc"/>'
                                '<enc:CipherData><enc:CipherReference URI="OEBPS/Text/ch1.xhtml"/>'
                                '</enc:CipherData></enc:EncryptedData></encryption>')])
