// PrintStream.java - CLDC 1.0, signatures only.
package java.io;

public class PrintStream extends OutputStream {
    public PrintStream(OutputStream out) {}
    public void write(int b) {}
    public void print(String s) {}
    public void println(String x) {}
    public void println(Object x) {}
    public void println(int x) {}
    public void println() {}
}
