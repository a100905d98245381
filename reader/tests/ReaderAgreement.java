// ReaderAgreement.java - the reader on the desktop against the preview command's PNG files.
// Each line of the case file (argument 1) is
//   book|width|height|clip height|wrap on or off|directory of book-NNNN.png and help-NNNN.png
// where book is a JAR or a directory holding the reader's classes and data files. The reader is
// loaded from the book alone, started on a screen of that size, and paged through its help and
// then its book; every page on screen must equal its PNG pixel for pixel, and the page after the
// last PNG must be the empty page at the document's end.

import java.awt.image.BufferedImage;
import java.io.File;
import java.lang.reflect.Method;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.file.Files;
import java.util.List;
import javax.imageio.ImageIO;
import javax.microedition.lcdui.Canvas;
import javax.microedition.lcdui.Display;
import javax.microedition.lcdui.Graphics;
import javax.microedition.rms.RecordStore;

public class ReaderAgreement {
    static final int WHITE = 0xFFFFFF;

    Graphics screen;
    Canvas canvas;
    Method keyPressed;
    String what;
    int pagesCompared;

    void key(char code) throws Exception {
        keyPressed.invoke(canvas, (int) code);
    }

    void compare(File png, String page) throws Exception {
        BufferedImage image = ImageIO.read(png);
        if (image.getWidth() != screen.width || image.getHeight() != screen.height) {
            throw new AssertionError(what + " " + page + ": PNG is " + image.getWidth() + "x"
                    + image.getHeight() + ", screen " + screen.width + "x" + screen.height);
        }
        for (int y = 0; y < screen.height; y++) {
            for (int x = 0; x < screen.width; x++) {
                int want = image.getRGB(x, y) & 0xFFFFFF;
                int got = screen.pixel(x, y);
                if (want != got) {
                    throw new AssertionError(String.format("%s %s: pixel (%d, %d) on screen %06X, in %s %06X",
                            what, page, x, y, got, png, want));
                }
            }
        }
        pagesCompared++;
    }

    // The page after the last one holds no text: only the bar column is not white.
    void assertEmptyPage(String page) {
        for (int y = 0; y < screen.height; y++) {
            for (int x = 0; x < screen.width - 1; x++) {
                if (screen.pixel(x, y) != WHITE) {
                    throw new AssertionError(what + " " + page + " should be the empty page after the"
                            + " last PNG, but pixel (" + x + ", " + y + ") is inked");
                }
            }
        }
    }

    // Compares pages 1, 2, ... of one document with prefix-NNNN.png, pressing 0 between them.
    void pageThrough(File dir, String prefix) throws Exception {
        int n = 1;
        for (;; n++) {
            File png = new File(dir, String.format("%s-%04d.png", prefix, n));
            if (!png.exists()) {
                break;
            }
            if (n > 1) {
                key('0');
            }
            compare(png, prefix + " page " + n);
        }
        if (n == 1) {
            throw new AssertionError(what + ": no " + prefix + " PNG in " + dir);
        }
        key('0');
        assertEmptyPage(prefix + " page " + n);
    }

    void run(String line) throws Exception {
        String[] f = line.split("\\|");
        File book = new File(f[0]);
        int width = Integer.parseInt(f[1]);
        int height = Integer.parseInt(f[2]);
        int clip = Integer.parseInt(f[3]);
        boolean wrap = f[4].equals("on");
        File dir = new File(f[5]);
        what = book.getName() + " " + width + "x" + clip + (wrap ? "" : " no wrap");
        URL url = book.isDirectory() ? new URL(book.toURI().toURL() + "/") : book.toURI().toURL();
        try (URLClassLoader loader = new URLClassLoader(new URL[] {url}, ReaderAgreement.class.getClassLoader())) {
            Class<?> midlet = loader.loadClass("TBookMIDlet");
            Class<?> canvasClass = loader.loadClass("TBookCanvas");
            if (midlet.getClassLoader() != loader) {
                throw new AssertionError(what + ": the reader did not come from the book");
            }
            RecordStore.stores.clear();
            screen = new Graphics(width, height, clip);
            Canvas.screen = screen;
            midlet.getConstructor().newInstance();
            canvas = (Canvas) Display.current;
            keyPressed = canvasClass.getMethod("keyPressed", int.class);
            canvas.repaint();
            canvas.serviceRepaints();  // the start screen
            key('0');                  // closes it: help page 1
            if (!wrap) {
                key('3');  // word wrap off, with a message box
                key('0');  // closes it: help page 1 laid out again
            }
            pageThrough(dir, "help");
            key('4');  // book page 1 under "book review"
            key('0');  // closes the box: book page 1 whole
            pageThrough(dir, "book");
        }
    }

    public static void main(String[] args) throws Exception {
        List<String> cases = Files.readAllLines(new File(args[0]).toPath());
        ReaderAgreement test = new ReaderAgreement();
        for (String line : cases) {
            if (!line.isEmpty()) {
                test.run(line);
            }
        }
        System.out.println(cases.size() + " cases, " + test.pagesCompared + " pages equal pixel for pixel");
    }
}
