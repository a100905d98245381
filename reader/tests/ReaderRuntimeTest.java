// ReaderRuntimeTest.java - the reader on runtimes that differ from the one the others assume:
// extra paints, a canvas of 144 or 128 rows, a canvas that turns or loses its soft-key bar, a
// getGameAction that throws or gives 0, missing resources, a book installed over another.
// Runs against both the compiled sources and the committed class files.

import static org.junit.Assert.assertArrayEquals;
import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertNull;
import static org.junit.Assert.assertTrue;
import static org.junit.Assume.assumeFalse;

import java.io.ByteArrayOutputStream;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashSet;
import java.util.List;
import java.util.Set;
import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Graphics;
import javax.microedition.rms.RecordStore;
import org.junit.Test;

public class ReaderRuntimeTest extends ReaderFixture {
    static final int LINE = 10;               // "line 0001\r"
    static final int PAGE = 17 * LINE;        // 17 lines on 208 rows with height 13
    static final int PAGES = 30;

    // Glyphs 2 columns wide whose first column holds the byte's bits, so every page looks
    // different.
    static byte[] distinctFont() {
        ByteArrayOutputStream b = new ByteArrayOutputStream();
        int table = 256 + 2 * 2 * (256 - 32);
        b.write(13);
        b.write(table >> 8);
        b.write(table);
        for (int j = 0; j < 256; j++) {
            int w = j >= 32 ? 2 : 0;
            b.write(w);
            for (int c = 0; c < w; c++) {
                b.write(0);
                b.write(c == 0 ? j : 0);
            }
        }
        return b.toByteArray();
    }

    static String book() {
        StringBuilder s = new StringBuilder();
        for (int i = 0; i < PAGES * 17; i++) {
            s.append(String.format("line %04d\r", i));
        }
        return s.toString();
    }

    // Closes the start message, opens the book, pages ten times, saves the bookmark, pages on, returns to the bookmark,
    // goes back twice and pages past the end. The screen after every key, and the bookmark.
    List<int[]> readThrough(boolean paintsTwice, boolean systemRepaints, int[] bookmark) {
        write("font.dat", distinctFont());
        write("help.dat", doc("help\r"));
        write("book.dat", doc(book()));
        RecordStore.stores.clear();
        Canvas.paintsTwice = paintsTwice;
        start();
        List<Integer> keys = new ArrayList<>();
        keys.add(-20);  // closes the start message
        keys.add((int) '4');
        keys.add(-20);
        for (int i = 0; i < 10; i++) keys.add((int) '0');
        keys.add((int) '5');
        keys.add(-20);
        for (int i = 0; i < 3; i++) keys.add((int) '0');
        keys.add((int) '6');
        keys.add(-20);
        keys.add((int) '7');
        keys.add((int) '7');
        for (int i = 0; i < PAGES + 2; i++) keys.add((int) '#');
        List<int[]> screens = new ArrayList<>();
        for (int k : keys) {
            key(k);
            if (systemRepaints) {
                canvas.systemRepaint();
            }
            screens.add(screen.pixels.clone());
        }
        byte[] rec = RecordStore.stores.get(store()).get(0);
        bookmark[0] = rec[0] | rec[1] << 7 | rec[2] << 14;
        return screens;
    }

    @Test
    public void extraPaintsShowTheSamePagesAsOnePaintPerKey() {
        int[] mark = new int[1];
        List<int[]> single = readThrough(false, false, mark);
        assertEquals(10 * PAGE, mark[0]);
        // The run has teeth: every page of the book showed, each one different.
        Set<Integer> distinct = new HashSet<>();
        for (int[] s : single) {
            distinct.add(java.util.Arrays.hashCode(s));
        }
        assertTrue(distinct.size() > PAGES);
        // The bookmark brought back the page it was saved on.
        assertArrayEquals(single.get(12), single.get(19));

        boolean[][] runtimes = {{true, false}, {false, true}, {true, true}};
        for (boolean[] r : runtimes) {
            String name = (r[0] ? "twice per key" : "once per key") + (r[1] ? ", system repaints" : "");
            List<int[]> other = readThrough(r[0], r[1], mark);
            assertEquals(name, 10 * PAGE, mark[0]);
            assertEquals(name, single.size(), other.size());
            for (int i = 0; i < single.size(); i++) {
                assertArrayEquals(name + ", key " + i, single.get(i), other.get(i));
            }
        }
    }

    @Test
    public void standardCanvasLaysOutForItsOwnHeight() {
        assumeFalse(NOKIA);
        write("font.dat", fontDat(13, widths(4), 1));
        write("help.dat", doc(repeat("a\r", 40)));
        write("book.dat", doc("b\r"));
        // 1 + (h - 13) / 12 lines: 11 on 144 rows, 10 on 128.
        int[][] cases = {{144, 11}, {128, 10}};
        for (int[] c : cases) {
            int h = c[0];
            start(176, h, h);
            key('0');
            assertEquals("height " + h, 0, screen.outside);
            assertTrue("height " + h, lineDrawn(c[1] - 1, 12));
            assertFalse("height " + h, lineDrawn(c[1], 12));
            // The bar ends at the page's end, 2 bytes a line of the 80.
            int split = 2 * c[1] * h / 80;
            assertEquals("height " + h, GREEN, screen.pixel(175, split - 1));
            assertEquals("height " + h, RED, screen.pixel(175, split));
            assertEquals("height " + h, RED, screen.pixel(175, h - 1));
            key('0');
            assertEquals("height " + h, 0, screen.outside);
            assertEquals("height " + h, GREEN, screen.pixel(175, 2 * split - 1));
            assertEquals("height " + h, RED, screen.pixel(175, 2 * split + 1));
        }
    }

    @Test
    public void clipOf144IsTakenAs208OnlyByTheFullScreenCanvas() {
        write("font.dat", fontDat(13, widths(4), 1));
        write("help.dat", doc(repeat("a\r", 40)));
        write("book.dat", doc("b\r"));
        start(176, 208, 144);
        key('0');
        assertTrue(lineDrawn(10, 12));
        assertEquals(NOKIA, lineDrawn(11, 12));
        assertEquals(NOKIA, lineDrawn(16, 12));
        assertEquals(!NOKIA, screen.pixel(175, 200) == UNTOUCHED);
    }

    // Soft keys and other keys without a game action, on phones whose getGameAction throws for
    // them and on runtimes (J2ME Loader) that give 0: they turn the page.
    @Test
    public void keysWithoutAGameActionTurnThePage() {
        for (boolean throwing : new boolean[] {true, false}) {
            writeDistinct(book(), "b\r");
            Canvas.actionThrows = throwing;
            start();
            key(-6);  // left soft key: closes the start message
            assertNull(message());
            int page = 0;
            for (int code : new int[] {-7, -6, -10, '*', '#', 0}) {
                key(code);
                assertEquals("key " + code + ", throwing " + throwing, lineText(17 * ++page), line(0));
            }
            key(-1);  // keys with a game action keep it: UP goes back
            assertEquals(lineText(17 * --page), line(0));
            key(-5);  // FIRE saves the bookmark
            assertEquals("bookmark saved", message());
        }
    }

    @Test
    public void missingDocumentShowsItsNameOnEveryPageAndKeysGoOn() {
        write("font.dat", fontDat(13, widths(4), 1));
        write("book.dat", doc(repeat("a\r", 17) + repeat("bb\r", 20)));
        start();
        assertEquals("Quorix reader 2.1", message());
        for (int i = 0; i < 3; i++) {
            key('0');
            assertEquals("key " + i, "/help.dat", message());
        }
        key('4');
        assertEquals("book review", message());
        key('0');
        assertNull(message());
        key('0');
        assertNull(message());
        assertEquals(BLACK, screen.pixel(6, 0));  // the book's second page
        key('1');
        assertEquals("/help.dat", message());
        key('4');
        assertEquals("book review", message());
    }

    @Test
    public void redrawKeyShowsThePageOnScreenAgain() {
        write("font.dat", fontDat(13, widths(4), 1));
        write("help.dat", doc(repeat("a\r", 17) + repeat("bb\r", 17) + repeat("a\r", 17)));
        write("book.dat", doc("b\r"));
        start();
        key('0');
        key('0');
        int[] page = screen.pixels.clone();
        assertEquals(BLACK, screen.pixel(6, 0));
        key('8');
        assertEquals("debug mode on", message());
        key('0');
        key('8');
        assertEquals("debug mode off", message());
        key('0');
        assertArrayEquals(page, screen.pixels);
    }

    // Line k of a page drawn with distinctFont(): each glyph's first column holds its byte.
    String line(int k) {
        StringBuilder s = new StringBuilder();
        for (int c = 0; c < LINE - 1; c++) {
            int b = 0;
            for (int r = 0; r < 8; r++) {
                b |= (screen.pixel(1 + 3 * c, k * 12 + r) == BLACK ? 1 : 0) << r;
            }
            s.append((char) b);
        }
        return s.toString();
    }

    static String lineText(int n) {
        return String.format("line %04d", n);
    }

    void writeDistinct(String help, String book) {
        write("font.dat", distinctFont());
        write("help.dat", doc(help));
        write("book.dat", doc(book));
    }

    // Every screen the reader shows, painted again twice with no key: the same pixels.
    @Test
    public void everyModeRepaintsTheSameScreen() {
        Object[][] cases = {
            {"start screen", new int[] {}},
            {"page", new int[] {-20, '0'}},
            {"page and message", new int[] {-20, '4'}},
            {"message over a page", new int[] {-20, '0', '3'}},
            {"message after a fresh page", new int[] {-20, '4', '5'}},
            {"key list", new int[] {-20, '0', '2'}},
            {"key list after a message", new int[] {-20, '9', -20, '2'}},
            {"debug strip", new int[] {-20, '8', -20}},
            {"missing book", new int[] {-20, '4', -20}},
        };
        for (Object[] c : cases) {
            writeDistinct(book(), book());
            if (c[0].equals("missing book")) {
                new java.io.File(RES, "book.dat").delete();
            }
            start();
            for (int k : (int[]) c[1]) {
                key(k);
            }
            int[] pixels = screen.pixels.clone();
            for (int paint = 2; paint <= 3; paint++) {
                canvas.systemRepaint();
                assertArrayEquals(c[0] + ", paint " + paint, pixels, screen.pixels);
            }
        }
    }

    // The screen turns or a soft-key bar comes or goes after the first paint: the next page
    // starts where the last one ended and fills the new canvas, and nothing lands outside it.
    @Test
    public void changedCanvasSizeLaysOutTheNextPageForTheNewSize() {
        int[][] cases = {{176, 208, 208, 176}, {208, 176, 176, 208}, {240, 320, 240, 304}, {240, 304, 240, 320}};
        for (int[] c : cases) {
            String name = c[0] + "x" + c[1] + " to " + c[2] + "x" + c[3];
            int before = 1 + (c[1] - 13) / 12, after = 1 + (c[3] - 13) / 12;
            writeDistinct(book(), "b\r");
            start(c[0], c[1], c[1]);
            key(-20);
            assertEquals(name, lineText(before - 1), line(before - 1));
            screen = new Graphics(c[2], c[3], c[3]);
            Canvas.screen = screen;
            key('0');
            for (int k = 0; k < after; k++) {
                assertEquals(name + ", line " + k, lineText(before + k), line(k));
            }
            assertEquals(name, 0, screen.outside);
            int split = (before + after) * LINE * c[3] / (PAGES * PAGE);
            assertEquals(name, GREEN, screen.pixel(c[2] - 1, split - 1));
            assertEquals(name, RED, screen.pixel(c[2] - 1, c[3] - 1));
            for (int p : screen.pixels) {
                assertTrue(name + ": a pixel left unpainted", p != UNTOUCHED);
            }
            key('7');  // back to the first page, now laid out for the new size
            assertEquals(name, lineText(after - 1), line(after - 1));
            assertEquals(name, 0, screen.outside);
        }
    }

    // A book installed over another of the same name finds the runtime's stores of the other:
    // its bookmark there, and one of an older reader in "book", are not taken.
    @Test
    public void anotherBooksBookmarkIsIgnored() {
        String first = book(), second = first.replace("line", "LINE");  // the same length
        writeDistinct("help\r", first);
        start();
        key(-20);  // closes the start message
        key('4');
        key(-20);  // closes "book review"
        for (int i = 0; i < 10; i++) {
            key('0');
        }
        key('5');
        RecordStore.stores.put("book", new ArrayList<>(Arrays.asList(new byte[] {16, 63, 5})));
        writeDistinct("help\r", second);
        start();
        key(-20);
        key('6');
        assertEquals("bookmark loaded", message());
        assertEquals("LINE 0000", line(0));
        assertTrue(err.toString().startsWith("read store error "));
        // The first book installed again finds its own bookmark.
        writeDistinct("help\r", first);
        start();
        key(-20);
        key('6');
        assertEquals(lineText(170), line(0));
    }
}
